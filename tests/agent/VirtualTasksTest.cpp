// The virtual handheld's task table through the task list: system processes
// without windows, the shell's applications with theirs, and activation and
// kill reaching the shell.
#include "agent/platform/virtual/VirtualTasks.h"

#include <gtest/gtest.h>

#include "TaskFakes.h"
#include "agent/tasks/TaskList.h"
#include "common/ByteOrder.h"

namespace hd {
namespace {

using test::FakeShell;
using test::FakeSystem;

std::string Text(const uint8_t* p, size_t units) {
    std::string s;
    for (size_t i = 0; i < units && get_le16(p + 2 * i); ++i) s += char(get_le16(p + 2 * i));
    return s;
}
std::string Name(const uint8_t* record, size_t offset) {
    return Text(record + offset, 64);
}

int32_t IndexOf(const TaskList& am, const std::string& exe) {
    for (int32_t i = 0; i < am.List().Count(); ++i)
        if (Name(am.List().Record(i), 36) == exe) return i;
    return -1;
}

struct VirtualTaskTable : ::testing::Test {
    FakeShell shell;
    platform::VirtualTasks tasks{&shell};
    FakeSystem system;
    TaskList am{tasks, system};

    void SetUp() override {
        shell.apps = {{0x1002, "ink.exe", "Ink", true},  // in front
                      {0x1001, "notes.exe", "Notes", true},
                      {0x1003, "hidden.exe", "Hidden", false}};
        ASSERT_TRUE(am.Loadtsklist());
    }
};

TEST_F(VirtualTaskTable, SystemProcessesAndTheShellsApplications) {
    ASSERT_EQ(am.List().Count(), 9);
    const char* system[] = {"nk.exe",   "filesys.exe",  "device.exe",
                            "gwes.exe", "services.exe", "shell32.exe"};
    for (int i = 0; i < 6; ++i) {
        const uint8_t* r = am.List().Record(i);
        EXPECT_EQ(Name(r, 36), system[i]);
        EXPECT_EQ(get_le32(r + 32), 0u) << system[i];  // no window
        EXPECT_GT(get_le32(r + 12), 0u);               // threads
    }
    // Tasks in the order they started, whichever is in front.
    EXPECT_EQ(IndexOf(am, "notes.exe"), 6);
    EXPECT_EQ(IndexOf(am, "ink.exe"), 7);
    const uint8_t* notes = am.List().Record(IndexOf(am, "notes.exe"));
    EXPECT_EQ(get_le32(notes + 4), 0x1001u);
    EXPECT_EQ(get_le32(notes + 8), platform::VirtualTasks::ShellPid());
    EXPECT_NE(get_le32(notes + 32), 0u);
    EXPECT_EQ(Name(notes, 164), "Notes");
    const uint8_t* hidden = am.List().Record(IndexOf(am, "hidden.exe"));
    EXPECT_EQ(get_le32(hidden + 32), 0u);
    EXPECT_EQ(Name(hidden, 164), "");

    // Threads and modules: the device manager's many threads, coredll.dll in
    // every process, an unknown process has no module list.
    ASSERT_TRUE(am.Threads().LoadThreadList(get_le32(am.List().Record(2) + 4)));
    EXPECT_EQ(am.Threads().List().Count(), 12);
    ASSERT_TRUE(am.Modules().LoadModuleList(0x1001));
    const uint8_t* coredll = am.Modules().List().Record(0);
    EXPECT_EQ(Text(coredll + 20, 66), "coredll.dll");
    EXPECT_EQ(get_le32(coredll + 8), 6u + 3);  // used by every process
    EXPECT_FALSE(am.Modules().LoadModuleList(0x4242));
    ASSERT_TRUE(am.Threads().LoadThreadList(0x4242));
    EXPECT_EQ(am.Threads().List().Count(), 0);
}

TEST_F(VirtualTaskTable, ActivationAndKillReachTheShell) {
    const int32_t ink = IndexOf(am, "ink.exe");
    EXPECT_TRUE(am.ActivateTask(uint32_t(IndexOf(am, "hidden.exe"))));  // untitled: left alone
    EXPECT_TRUE(shell.calls.empty());
    EXPECT_TRUE(am.ActivateTask(uint32_t(ink)));
    EXPECT_EQ(shell.calls, std::vector<std::string>{"activate 4098"});

    shell.calls.clear();
    const int32_t notes = IndexOf(am, "notes.exe");
    EXPECT_TRUE(am.KillTask(uint32_t(notes)));
    EXPECT_EQ(shell.calls, (std::vector<std::string>{"close 4097", "terminate 4097"}));
    EXPECT_EQ(IndexOf(am, "notes.exe"), -1);
    EXPECT_EQ(IndexOf(am, "ink.exe"), notes);  // later tasks moved down

    // The handheld's own processes are not ended.
    shell.calls.clear();
    EXPECT_TRUE(am.KillTask(0));
    EXPECT_TRUE(shell.calls.empty());
    EXPECT_EQ(IndexOf(am, "nk.exe"), 0);
}

TEST(VirtualTasks, WithoutAShellOnlyTheSystemRuns) {
    platform::VirtualTasks tasks(nullptr);
    FakeSystem system;
    TaskList am(tasks, system);
    ASSERT_TRUE(am.Loadtsklist());
    EXPECT_EQ(am.List().Count(), 6);
    EXPECT_EQ(get_le32(am.List().Record(0) + 4), platform::VirtualTasks::KernelPid());
    EXPECT_TRUE(am.KillTask(5));
    EXPECT_EQ(am.List().Count(), 6);
}

}  // namespace
}  // namespace hd
