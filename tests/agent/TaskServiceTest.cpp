// The process and system commands through the command loop: replies, the
// wake-ups that follow them, and every way a failure ends the connection.
#include "agent/tasks/TaskService.h"

#include <gtest/gtest.h>

#include "TaskFakes.h"
#include "agent/CommandLoop.h"
#include "common/ByteOrder.h"
#include "common/Log.h"
#include "support/FakeStream.h"

namespace hd {
namespace {

using test::FakeStream;
using test::FakeSystem;
using test::FakeTasks;
using test::LogCapture;
using Bytes = std::vector<uint8_t>;
using Calls = std::vector<std::string>;

struct RecordingSender : SenderControl {
    void Stop() override { calls.push_back("stop"); }
    void Wake(WakeAction a) override { calls.push_back("wake" + std::to_string(int(a))); }
    void SetSlowLink() override {}
    void SetKeepDisplayPointer(bool) override {}
    Calls calls;
};

// A service over fakes: pid 0x10 with two threads and one module, pid 0x20.
struct Device {
    FakeTasks* tasks;
    FakeSystem* system;
    std::unique_ptr<TaskService> service;

    Device() {
        auto t = std::make_unique<FakeTasks>();
        auto s = std::make_unique<FakeSystem>();
        tasks = t.get();
        system = s.get();
        tasks->AddProcess(0x10, "a.exe");
        tasks->AddProcess(0x20, "b.exe");
        tasks->threads[0x10] = {{1, 251}, {2, 251}};
        tasks->modules[0x10] = {{0x1000, 0x100, 1, 1, 0x1000, "coredll.dll"}};
        service = std::make_unique<TaskService>(std::move(t), std::move(s));
    }

    Calls Serve(FakeStream& s) {
        RecordingSender sender;
        CommandLoop loop(sender, Handlers{nullptr, service.get(), nullptr});
        EXPECT_EQ(loop.Run(&s), 0);
        return sender.calls;
    }
};

TEST(TaskService, ServesEveryCommandAndWakesTheSenderAfterTaskCommands) {
    Device d;
    d.system->os = {3, 0, 11171, "", ""};
    FakeStream s;
    s.AddBytes({HC_GETTASKLIST, HC_ACTIVATETASK, 0, HC_KILLTASK, 200, HC_GETTHRANDMODLISTS, 0x10,
                0x00, 0x00, 0x00,  // the pid as the record held it
                HC_GETSYSINFO, HC_STOP});
    EXPECT_EQ(d.Serve(s), (Calls{"wake4", "wake4", "wake4", "stop"}));

    const Bytes w = s.Written();
    const size_t taskReply = 4 + 1 + 2 * 292, threadReply = 4 + 1 + 2 * 8,
                 moduleReply = 4 + 1 + 152;
    ASSERT_EQ(w.size(), 2 * taskReply + threadReply + moduleReply + 4 + 244);
    // The kill of index 200 (past the list) ended nothing and still answers
    // with the whole list, exactly as HC_GETTASKLIST does.
    EXPECT_TRUE(d.tasks->calls.empty());
    EXPECT_EQ(Bytes(w.begin(), w.begin() + taskReply),
              Bytes(w.begin() + taskReply, w.begin() + 2 * taskReply));
    const uint8_t* p = w.data() + 2 * taskReply;
    EXPECT_EQ(get_be32(p), 17u);
    EXPECT_EQ(p[4], 2);
    p += threadReply;
    EXPECT_EQ(get_be32(p), 153u);
    EXPECT_EQ(p[4], 1);
    p += moduleReply;
    EXPECT_EQ(get_be32(p), 244u);
    EXPECT_EQ(get_le16(p + 4 + 70), u'W');  // the OS text
}

TEST(TaskService, KillRepliesWithTheListTakenAfterTheKill) {
    Device d;
    FakeStream s;
    s.AddBytes({HC_GETTASKLIST, HC_KILLTASK, 0, HC_STOP});
    d.Serve(s);
    EXPECT_EQ(d.tasks->calls, Calls{"terminate 16"});
    const Bytes w = s.Written();
    ASSERT_EQ(w.size(), (5u + 2 * 292) + (5u + 292));
    const uint8_t* after = w.data() + 5 + 2 * 292;
    EXPECT_EQ(after[4], 1);
    EXPECT_EQ(get_le32(after + 5 + 4), 0x20u);
}

struct Failure {
    const char* name;
    Bytes input;
    bool truncated;     // the stream breaks after the input
    int writesAllowed;  // -1: every write succeeds
    bool snapshotOk;
    bool threadsOk;
    std::vector<const char*> logs;
    Bytes written;  // what the desktop receives before the end
};

void PrintTo(const Failure& f, std::ostream* os) {
    *os << f.name;
}

Bytes Zero() {
    return {0, 0, 0, 0};
}
Bytes ThreadListReply() {
    return {0, 0, 0, 17, 2, 1, 0, 0, 0, 251, 0, 0, 0, 2, 0, 0, 0, 251, 0, 0, 0};
}
Bytes Concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class TaskFailures : public ::testing::TestWithParam<Failure> {};

TEST_P(TaskFailures, EndTheConnectionAbruptly) {
    const Failure& f = GetParam();
    LogCapture logs;
    Device d;
    d.tasks->snapshotOk = f.snapshotOk;
    d.tasks->threadsOk = f.threadsOk;
    FakeStream s;
    s.AddBytes(f.input);
    if (f.truncated)
        s.AddFailure();
    else
        s.AddBytes({HC_STOP});
    if (f.writesAllowed >= 0) s.FailWritesAfter(size_t(f.writesAllowed));

    log::SetEnabled(true);                 // so that a normal end would write its line
    EXPECT_EQ(d.Serve(s), Calls{"stop"});  // no wake-up after the command
    log::SetEnabled(false);
    for (const char* line : f.logs) EXPECT_TRUE(logs.HasForced(line)) << line;
    EXPECT_FALSE(logs.Has("HdInvoke:Exiting"));
    if (!f.truncated) {
        EXPECT_EQ(s.Left(), 1u);  // the HC_STOP was never read
    }
    EXPECT_EQ(s.Written(), f.written);
}

const Bytes kPid10 = {HC_GETTHRANDMODLISTS, 0x10, 0, 0, 0};

INSTANTIATE_TEST_SUITE_P(
    AllOutcomes, TaskFailures,
    ::testing::Values(
        Failure{"ActivationIndexMissing",
                {HC_ACTIVATETASK},
                true,
                -1,
                true,
                true,
                {"PI:Error reading task activation index"},
                {}},
        Failure{"KillIndexMissing",
                {HC_KILLTASK},
                true,
                -1,
                true,
                true,
                {"PI:Error reading task kill index"},
                {}},
        Failure{"ProcessIdCut",
                {HC_GETTHRANDMODLISTS, 0x10, 0},
                true,
                -1,
                true,
                true,
                {"PI:Error reading task index for HC_GETTHRANDMODLISTS cmd"},
                {}},
        Failure{"TaskSnapshot",
                {HC_GETTASKLIST},
                false,
                -1,
                false,
                true,
                {"AM::Loadtsklist:Error getting process snapshot", "PI:Error loading task list"},
                Zero()},
        Failure{"KillSnapshot",
                {HC_KILLTASK, 0},
                false,
                -1,
                false,
                true,
                {"PI:Error loading task list"},
                Zero()},
        Failure{"TaskLength",
                {HC_GETTASKLIST},
                false,
                0,
                true,
                true,
                {"AM::tsklist2Stream:Error length to stream", "PI:Error writing tlist to stream"},
                {}},
        Failure{"TaskCount",
                {HC_GETTASKLIST},
                false,
                1,
                true,
                true,
                {"AM::tsklist2Stream:Error writing num records to stream",
                 "PI:Error writing tlist to stream"},
                {0, 0, 0x02, 0x49}},
        Failure{"TaskRecords",
                {HC_GETTASKLIST},
                false,
                2,
                true,
                true,
                {"AM::tsklist2Stream:Error writing tsklist to stream",
                 "PI:Error writing tlist to stream"},
                {0, 0, 0x02, 0x49, 2}},
        Failure{"ThreadSnapshot",
                kPid10,
                false,
                -1,
                true,
                false,
                {"PI:Error loading thread list"},
                Zero()},
        Failure{"ThreadLength",
                kPid10,
                false,
                0,
                true,
                true,
                {"TM::List2Stream:Error writing length", "PI:Error writing thread list to stream"},
                {}},
        Failure{
            "ThreadCount",
            kPid10,
            false,
            1,
            true,
            true,
            {"TM::List2Stream:Error writing num records", "PI:Error writing thread list to stream"},
            {0, 0, 0, 17}},
        Failure{"ThreadRecords",
                kPid10,
                false,
                2,
                true,
                true,
                {"TM::List2Stream:Error writing thrlist", "PI:Error writing thread list to stream"},
                {0, 0, 0, 17, 2}},
        // The process ended between the two lists: its threads (none), then a zero.
        Failure{"ModulesGone",
                {HC_GETTHRANDMODLISTS, 0x30, 0, 0, 0},
                false,
                -1,
                true,
                true,
                {"PI:Error loading module list"},
                {0, 0, 0, 1, 0, 0, 0, 0, 0}},
        Failure{"ModuleLength",
                kPid10,
                false,
                3,
                true,
                true,
                {"MM::List2Stream:Error writing length", "PI:Error writing module list to stream"},
                ThreadListReply()},
        Failure{
            "ModuleCount",
            kPid10,
            false,
            4,
            true,
            true,
            {"MM::List2Stream:Error writing num records", "PI:Error writing module list to stream"},
            Concat(ThreadListReply(), {0, 0, 0, 153})},
        Failure{"ModuleRecords",
                kPid10,
                false,
                5,
                true,
                true,
                {"MM::List2Stream:Error writing modlist", "PI:Error writing module list to stream"},
                Concat(ThreadListReply(), {0, 0, 0, 153, 1})},
        Failure{"SysInfoLength",
                {HC_GETSYSINFO},
                false,
                0,
                true,
                true,
                {"SI::List2Stream:Error writing length to stream", "PI:Error loading sysinfo"},
                {}},
        Failure{"SysInfoRecord",
                {HC_GETSYSINFO},
                false,
                1,
                true,
                true,
                {"SI::List2Stream:Error writing sysinfo to stream", "PI:Error loading sysinfo"},
                {0, 0, 0, 244}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace hd
