// A compositor without the wlroots protocols: each Wayland service says so
// once and steps aside (no display, no input, no windows, no clipboard), so
// the agent's fallbacks keep the command channel in step.
#include <gtest/gtest.h>

#include "agent/platform/wayland/WaylandClipboard.h"
#include "agent/platform/wayland/WaylandDisplay.h"
#include "agent/platform/wayland/WaylandInput.h"
#include "agent/platform/wayland/WaylandTasks.h"
#include "platform/BareCompositor.h"
#include "support/FakeStream.h"

namespace hd::platform {
namespace {

TEST(WaylandWithoutProtocols, EachServiceSaysSoOnceAndStepsAside) {
    test::BareCompositor bare;
    ASSERT_TRUE(bare.Started());
    const std::string on = "the compositor on " + bare.Socket() + " has no ";
    test::LogCapture logs;

    EXPECT_EQ(WaylandDisplay::Open(bare.Socket().c_str()), nullptr);
    EXPECT_TRUE(logs.HasForced("WD::Open:" + on + "zwlr_screencopy_manager_v1"));

    EXPECT_EQ(WaylandInput::Open(bare.Socket().c_str()), nullptr);
    EXPECT_TRUE(logs.HasForced("WI::Open:" + on + "zwp_virtual_keyboard_manager_v1"));
    EXPECT_TRUE(logs.HasForced("WI::Open:" + on + "zwlr_virtual_pointer_manager_v1"));
    EXPECT_TRUE(logs.HasForced("input is unavailable"));

    EXPECT_EQ(WaylandClipboard::Open(bare.Socket().c_str()), nullptr);
    EXPECT_TRUE(logs.HasForced("WB::Open:" + on + "zwlr_data_control_manager_v1"));

    // The processes are still listed; windows never are, and it is said once.
    WaylandTasks tasks(WaylandConnection::Open(bare.Socket().c_str(), "WT"));
    std::vector<ProcessEntry> processes;
    EXPECT_TRUE(tasks.Processes(processes));
    EXPECT_FALSE(processes.empty());
    std::vector<WindowEntry> windows{WindowEntry{}};
    tasks.Windows(windows);
    tasks.Windows(windows);
    EXPECT_TRUE(windows.empty());
    tasks.Activate(1);  // nothing to activate: said, and nothing breaks
    EXPECT_EQ(logs.Count("WT::Open:" + on + "zwlr_foreign_toplevel_manager_v1"), 1);
}

}  // namespace
}  // namespace hd::platform
