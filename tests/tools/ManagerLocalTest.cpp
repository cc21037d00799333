// The manager's requests against the real agent and its virtual handheld,
// loaded in-process through the local link.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "desktop/session/ConnectionManager.h"
#include "desktop/session/DesktopChannel.h"
#include "desktop/session/LocalLink.h"
#include "desktop/tools/manager/ManagerFormat.h"
#include "desktop/tools/manager/RemoteTaskList.h"
#include "session/SessionFakes.h"

namespace hd::tools {
namespace {

int Find(const RemoteTaskList& am, const std::string& exe) {
    for (int i = 0; i < am.Count(); ++i)
        if (am.Task(i).exe == exe) return i;
    return -1;
}

TEST(ManagerLocal, KillRemovesAVirtualTaskAndShiftsTheLaterOnes) {
    const auto root =
        std::filesystem::temp_directory_path() / ("hd-manager-" + std::to_string(getpid()));
    std::filesystem::create_directories(root);
    {
        desktop::test::MemorySettings settings;  // type 0: the local link
        desktop::test::RecordingUi ui;
        desktop::LocalLink link("virtual", root.string(), HD_AGENT_LIBRARY);
        desktop::ConnectionManager manager(settings, link, ui);
        manager.SetEndPauseMs(0);
        desktop::DesktopChannel command(manager, true);
        ASSERT_TRUE(command.Connect(0, 0, false));
        RemoteTaskList am;
        am.SetConnection(&command);

        ASSERT_TRUE(am.Pulltsklist());
        const int nk = Find(am, "nk.exe");
        const int calc = Find(am, "calc.exe");
        const int notes = Find(am, "notes.exe");
        ASSERT_GE(nk, 0);
        ASSERT_GE(calc, 0);
        ASSERT_GT(notes, calc);
        EXPECT_EQ(FormatTask(nk, am.Task(nk)).window, "[Background Process]");
        EXPECT_NE(am.Task(notes).title, "");
        const uint32_t notesPid = am.ProcessId(notes);
        const int before = am.Count();

        ASSERT_TRUE(am.Kill(calc));
        EXPECT_EQ(am.Count(), before - 1);
        EXPECT_EQ(Find(am, "calc.exe"), -1);
        EXPECT_EQ(Find(am, "notes.exe"), notes - 1);  // later indexes shift down
        EXPECT_EQ(am.ProcessId(notes - 1), notesPid);

        // The handheld refuses to end its own processes: the list keeps them.
        ASSERT_TRUE(am.Kill(nk));
        EXPECT_EQ(Find(am, "nk.exe"), nk);

        // Activation reads nothing back, so the next request stays in step.
        ASSERT_TRUE(am.Activate(notes - 1));
        ASSERT_TRUE(am.GetThrAndModLists(notesPid));
        EXPECT_GE(am.Threads().Count(), 1);
        ASSERT_GE(am.Modules().Count(), 1);
        EXPECT_EQ(am.Modules().Module(0).name, "coredll.dll");

        ASSERT_TRUE(am.SysInfo().PullData());
        const SysInfoRecord info = am.SysInfo().Info();
        EXPECT_EQ(info.processor, "1 X Intel Strongarm");
        EXPECT_EQ(info.width, 240);
        EXPECT_EQ(info.height, 320);
        command.Disconnect(true);
    }
    std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace hd::tools
