// The Wayland clipboard on a private headless sway: text set by the agent
// reaches another client and text another client set reaches the agent,
// through the compositor's selection.
#include <gtest/gtest.h>

#include "agent/platform/wayland/WaylandClipboard.h"

#include "agent/platform/x11/X11Text.h"
#include "platform/SwayServer.h"

namespace hd::platform {
namespace {

TEST(WaylandClipboard, TextRoundTripsBothWays) {
    if (!test::HaveSway()) GTEST_SKIP() << test::kNoSway;
    test::SwayServer sway("320x240");
    ASSERT_TRUE(sway.Started()) << sway.Error();
    auto agent = WaylandClipboard::Open(sway.Socket().c_str());
    auto other = WaylandClipboard::Open(sway.Socket().c_str());
    ASSERT_TRUE(agent && other);
    std::vector<uint8_t> got;
    EXPECT_FALSE(agent->GetUnicodeText(got)) << "nothing was copied yet";
    EXPECT_TRUE(got.empty());

    const std::vector<uint8_t> text = Utf8ToUtf16Le("Grüße aus Handrel: 5 € ✓");
    ASSERT_TRUE(agent->SetUnicodeText(text.data(), text.size()));
    ASSERT_TRUE(other->GetUnicodeText(got));
    EXPECT_EQ(got, text);
    ASSERT_TRUE(agent->GetUnicodeText(got));
    EXPECT_EQ(got, text) << "the owner hands its own block back";

    const std::vector<uint8_t> back = Utf8ToUtf16Le("from the device's user\nline two");
    ASSERT_TRUE(other->SetUnicodeText(back.data(), back.size()));
    ASSERT_TRUE(agent->GetUnicodeText(got));
    EXPECT_EQ(got, back);
}

}  // namespace
}  // namespace hd::platform
