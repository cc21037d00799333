// The Linux task backend: the /proc parsers on awkward lines, a made-up proc
// tree with ended and vanished processes, this test's own process with its
// threads and libraries, a kill, and the batteries under /sys.
#include "agent/platform/linux/ProcTasks.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "agent/platform/linux/LinuxSystemInfo.h"
#include "agent/platform/linux/ProcFiles.h"

namespace hd::platform {
namespace {

namespace fs = std::filesystem;

TEST(ProcFiles, StatIsReadFromTheLastParenthesis) {
    StatFields f;
    // A command name holding ") " and a digit, as any program may name itself.
    const std::string line =
        "4242 (evil) 1 (x) R 77 4242 4242 0 -1 4194560 100 0 0 0 5 3 0 0 20 0 3 0 12345 "
        "1000 200 18446744073709551615\n";
    ASSERT_TRUE(ParseStat(line, f));
    EXPECT_EQ(f.comm, "evil) 1 (x");
    EXPECT_EQ(f.state, 'R');
    EXPECT_EQ(f.ppid, 77u);
    EXPECT_EQ(f.priority, 20);
    EXPECT_EQ(f.threads, 3u);
    EXPECT_EQ(f.flags, 4194560u);
    ASSERT_TRUE(ParseStat("9 (rt) S 2 0 0 0 -1 0 0 0 0 0 0 0 0 0 -51 0 1 0 1", f));
    EXPECT_EQ(f.priority, -51);  // a real-time thread
    EXPECT_FALSE(ParseStat("9 (cut) S 2 0 0", f));
    EXPECT_FALSE(ParseStat("9 no parenthesis S 2", f));
    EXPECT_FALSE(ParseStat("9 (x) S notanumber 0 0 0 -1 0 0 0 0 0 0 0 0 0 20 0 1", f));
}

TEST(ProcFiles, MapsLinesAndNames) {
    MapsLine m;
    ASSERT_TRUE(ParseMapsLine(
        "7f1c2a000000-7f1c2a022000 r-xp 00001000 08:01 1234   /opt/my app/lib x.so (deleted)\n",
        m));
    EXPECT_EQ(m.start, 0x7f1c2a000000u);
    EXPECT_EQ(m.end, 0x7f1c2a022000u);
    EXPECT_TRUE(m.executable);
    EXPECT_EQ(m.inode, 1234u);
    EXPECT_EQ(m.path, "/opt/my app/lib x.so (deleted)");
    EXPECT_EQ(BaseName(m.path), "lib x.so");
    ASSERT_TRUE(ParseMapsLine("00400000-00401000 rw-p 00000000 00:00 0", m));
    EXPECT_FALSE(m.executable);
    EXPECT_EQ(m.path, "");
    EXPECT_FALSE(ParseMapsLine("zz-00401000 rw-p 00000000 00:00 0", m));
    EXPECT_FALSE(ParseMapsLine("00500000-00400000 rw-p 00000000 00:00 0", m));

    using namespace std::string_literals;
    // The exe link first; else the first argument when the cut name begins
    // it; a rewritten argument list or none falls back to the cut name.
    EXPECT_EQ(ExeName("/usr/bin/python3.11", "python3\0x.py\0"s, "python3"), "python3.11");
    EXPECT_EQ(ExeName("", "/opt/x/a-very-long-program-name\0--flag\0"s, "a-very-long-pro"),
              "a-very-long-program-name");
    EXPECT_EQ(ExeName("", "sshd: root@pts/0\0"s, "sshd"), "sshd");
    EXPECT_EQ(ExeName("", "", "kworker/0:1"), "kworker/0:1");
}

TEST(ProcFiles, OsTextAndProcessorName) {
    uint32_t major, minor, build;
    EXPECT_EQ(LinuxOsText("6.1.0-18-amd64", "#1 SMP PREEMPT_DYNAMIC Debian", major, minor, build),
              "Linux 6.1.0, build 18");
    EXPECT_EQ(major, 6u);
    EXPECT_EQ(minor, 1u);
    EXPECT_EQ(LinuxOsText("5.10.110", "#7 SMP Tue", major, minor, build),
              "Linux 5.10.110, build 7");
    EXPECT_EQ(LinuxOsText("custom", "", major, minor, build), "Linux custom, build 0");

    EXPECT_EQ(
        CpuName("processor\t: 0\nmodel name\t: Intel(R)  Core(TM)   i5\nflags : x\n", "x86_64"),
        "Intel(R) Core(TM) i5");
    EXPECT_EQ(CpuName("Processor\t: ARMv7 Processor rev 4 (v7l)\nHardware\t: BCM2709\n", "armv7l"),
              "ARMv7 Processor rev 4 (v7l)");
    EXPECT_EQ(CpuName("processor\t: 0\nCPU part\t: 0xd08\n", "aarch64"), "aarch64");

    uint64_t bytes = 0;
    EXPECT_TRUE(KilobyteValue("MemTotal:       16303428 kB\nMemFree: 1 kB\n", "MemTotal", bytes));
    EXPECT_EQ(bytes, 16303428ull * 1024);
    EXPECT_FALSE(KilobyteValue("MemTotalX: 5 kB\n", "MemTotal", bytes));
}

struct TempDir {
    fs::path path;
    TempDir() {
        char t[] = "/tmp/hd-proc-XXXXXX";
        path = mkdtemp(t);
    }
    ~TempDir() { fs::remove_all(path); }
    void Write(const fs::path& rel, const std::string& text) const {
        fs::create_directories((path / rel).parent_path());
        std::ofstream(path / rel, std::ios::binary) << text;
    }
};

TEST(ProcTasks, WalkSkipsEndedAndVanishedProcesses) {
    TempDir proc;
    const std::string tail = " 0 0 0 -1 0 0 0 0 0 0 0 0 0 20 0 4 0 1\n";
    proc.Write("123/stat", "123 (a-very-long-pro) S 1" + tail);
    proc.Write("123/cmdline", std::string("/opt/a-very-long-program\0--x\0", 29));
    proc.Write("124/stat", "124 (gone) Z 1" + tail);  // ended, not yet reaped
    fs::create_directories(proc.path / "125");        // vanished mid-walk
    // One of the kernel's threads (PF_KTHREAD set): not a task.
    proc.Write("126/stat", "126 (kworker/0:1) I 2 0 0 0 -1 2129984 0 0 0 0 0 0 0 0 20 0 1 0 1\n");
    ProcTasks tasks(proc.path);
    std::vector<ProcessEntry> list;
    ASSERT_TRUE(tasks.Processes(list));
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].pid, 123u);
    EXPECT_EQ(list[0].parentPid, 1u);
    EXPECT_EQ(list[0].threads, 4u);
    EXPECT_EQ(list[0].exe, "a-very-long-program");

    ProcTasks nowhere("/nonexistent-proc");
    EXPECT_FALSE(nowhere.Processes(list));
}

// A thread that waits until it is told to end; its id is known at once.
struct Helper {
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    std::atomic<pid_t> tid{0};
    std::thread t{[this] {
        tid = gettid();
        std::unique_lock l(m);
        cv.wait(l, [this] { return done; });
    }};
    ~Helper() {
        {
            std::lock_guard l(m);
            done = true;
        }
        cv.notify_one();
        t.join();
    }
};

TEST(ProcTasks, ThisProcessWithItsThreadsAndLibraries) {
    Helper helper;
    while (helper.tid == 0) std::this_thread::yield();
    ProcTasks tasks;
    std::vector<ProcessEntry> list;
    ASSERT_TRUE(tasks.Processes(list));
    const auto self =
        std::find_if(list.begin(), list.end(), [](auto& p) { return p.pid == uint32_t(getpid()); });
    ASSERT_NE(self, list.end());
    EXPECT_EQ(self->exe, fs::read_symlink("/proc/self/exe").filename().string());
    EXPECT_EQ(self->parentPid, uint32_t(getppid()));
    EXPECT_GE(self->threads, 2u);

    std::vector<ThreadEntry> threads;
    ASSERT_TRUE(tasks.Threads(getpid(), threads));
    auto has = [&](pid_t tid) {
        return std::any_of(threads.begin(), threads.end(),
                           [&](auto& t) { return t.tid == uint32_t(tid); });
    };
    EXPECT_TRUE(has(getpid()));
    EXPECT_TRUE(has(helper.tid));

    std::vector<ModuleEntry> modules;
    ASSERT_TRUE(tasks.Modules(getpid(), modules));
    auto module = [&](const std::string& prefix) {
        return std::find_if(modules.begin(), modules.end(),
                            [&](auto& m) { return m.name.rfind(prefix, 0) == 0; });
    };
    ASSERT_NE(module("libc.so"), modules.end());
    ASSERT_NE(module("libstdc++"), modules.end());
    EXPECT_NE(module(self->exe), modules.end());
    EXPECT_GT(module("libc.so")->size, 0u);
    EXPECT_NE(module("libc.so")->base, 0u);
    for (auto& m : modules) EXPECT_EQ(m.name.find('/'), std::string::npos) << m.name;

    // A process that is not there: no threads; its modules cannot be listed.
    EXPECT_TRUE(tasks.Threads(0x7FFFFFF0, threads));
    EXPECT_TRUE(threads.empty());
    EXPECT_FALSE(tasks.Modules(0x7FFFFFF0, modules));
    EXPECT_FALSE(tasks.Modules(0, modules));
}

TEST(ProcTasks, KillEndsTheProcessAndItLeavesTheList) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        for (;;) pause();
    }
    ProcTasks tasks;
    EXPECT_TRUE(tasks.Terminate(uint32_t(child)));
    std::vector<ProcessEntry> list;
    ASSERT_TRUE(tasks.Processes(list));
    EXPECT_TRUE(
        std::none_of(list.begin(), list.end(), [&](auto& p) { return p.pid == uint32_t(child); }));
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status));

    // Never 0 (this process group) nor a number that is negative as a pid
    // (a whole group).
    EXPECT_FALSE(tasks.Terminate(0));
    EXPECT_FALSE(tasks.Terminate(0x80000000u + uint32_t(getpgrp())));
}

TEST(LinuxSystemInfo, Batteries) {
    TempDir sys;
    PowerInfo power{1, 1};
    LinuxSystemInfo none("/", 0, 0, "/proc", sys.path.string());
    ASSERT_TRUE(none.Power(power));  // no power supplies: unknown
    EXPECT_EQ(power.mainPercent, kBatteryUnknown);
    EXPECT_EQ(power.backupPercent, kBatteryUnknown);

    sys.Write("class/power_supply/AC/type", "Mains\n");
    sys.Write("class/power_supply/BAT0/type", "Battery\n");
    sys.Write("class/power_supply/BAT0/capacity", "42\n");
    sys.Write("class/power_supply/AAmouse/type", "Battery\n");
    sys.Write("class/power_supply/AAmouse/scope", "Device\n");
    sys.Write("class/power_supply/AAmouse/capacity", "7\n");
    sys.Write("class/graphics/fb0/bits_per_pixel", "8\n");
    LinuxSystemInfo laptop("/", 0, 0, "/proc", sys.path.string());
    ASSERT_TRUE(laptop.Power(power));
    EXPECT_EQ(power.mainPercent, 42);
    EXPECT_EQ(power.backupPercent, kBatteryUnknown);
    EXPECT_EQ(laptop.Screen().colours, 256);
    EXPECT_EQ(none.Screen().colours, -1);
}

}  // namespace
}  // namespace hd::platform
