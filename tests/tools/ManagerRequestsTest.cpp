// The manager's requests against scripted handheld replies: the bytes each
// request writes, the list replies read field by field, and what truncated,
// empty and ill-framed replies leave behind.
#include <gtest/gtest.h>

#include "desktop/session/ConnectionManager.h"
#include "desktop/session/DesktopChannel.h"
#include "desktop/tools/manager/ManagerFormat.h"
#include "desktop/tools/manager/RemoteTaskList.h"
#include "session/SessionFakes.h"
#include "tools/ManagerWire.h"

namespace hd::tools {
namespace {

using hd::test::FakeStream;
using hd::test::LogCapture;
using namespace hd::tools::test;

// A command channel over a scripted stream, opened the remote-API way.
struct Rig {
    Rig() {
        manager.SetEndPauseMs(0);
        settings.connType = 2;
        rapi.streams = {&stream};
        EXPECT_TRUE(command.Connect(0, 0, false));
        opening = stream.Written().size();
        am.SetConnection(&command);
    }
    // What the requests wrote after the channel's opening bytes.
    Bytes Sent() const {
        Bytes all = stream.Written();
        return Bytes(all.begin() + long(opening), all.end());
    }
    void Script(const Bytes& b) { stream.AddBytes(b); }

    LogCapture log;
    desktop::test::MemorySettings settings;
    desktop::test::RecordingUi ui;
    desktop::test::FakeRapi rapi;
    FakeStream stream;
    desktop::ConnectionManager manager{settings, rapi, ui};
    desktop::DesktopChannel command{manager, true};
    size_t opening = 0;
    RemoteTaskList am;
};

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

TEST(ManagerRequests, TaskListIsReadRecordByRecordAndGrowsWithoutSlack) {
    Rig r;
    EXPECT_EQ(r.am.Capacity(), 15);
    r.Script(ListReply(292, {TaskBytes(0x03FFD002, u"nk.exe"),
                             TaskBytes(0x8A1B2C3D, u"notes.exe", u"Notes", 0x7C0A2E40)}));
    ASSERT_TRUE(r.am.Pulltsklist());
    EXPECT_EQ(r.Sent(), (Bytes{60}));
    ASSERT_EQ(r.am.Count(), 2);
    const TaskRecord notes = r.am.Task(1);
    EXPECT_EQ(notes.pid, 0x8A1B2C3Du);
    EXPECT_EQ(notes.parentPid, 0x03FFD002u);
    EXPECT_EQ(notes.threads, 2u);
    EXPECT_EQ(notes.window, 0x7C0A2E40u);
    EXPECT_EQ(notes.exe, "notes.exe");
    EXPECT_EQ(notes.title, "Notes");
    EXPECT_EQ(r.am.ProcessId(0), 0x03FFD002u);
    EXPECT_EQ(r.am.ProcessId(2), 0u);
    EXPECT_EQ(r.am.ProcessId(-1), 0u);
    std::string name;
    EXPECT_FALSE(r.am.ExeName(2, name));
    ASSERT_TRUE(r.am.ExeName(1, name));
    EXPECT_EQ(name, "notes.exe");
    const std::vector<TaskRow> rows = TaskRows(r.am);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].window, "[Background Process]");
    EXPECT_EQ(rows[1].item, 1);
    EXPECT_EQ(rows[1].window, "Notes");

    // Sixteen tasks grow the block to exactly sixteen; fewer keep it.
    std::vector<Bytes> many;
    for (uint32_t i = 0; i < 16; ++i) many.push_back(TaskBytes(100 + i, u"app.exe"));
    r.Script(ListReply(292, many));
    ASSERT_TRUE(r.am.Pulltsklist());
    EXPECT_EQ(r.am.Count(), 16);
    EXPECT_EQ(r.am.Capacity(), 16);
    EXPECT_EQ(r.am.ProcessId(15), 115u);
    r.Script(ListReply(292, {TaskBytes(7, u"a.exe")}));
    ASSERT_TRUE(r.am.Pulltsklist());
    EXPECT_EQ(r.am.Count(), 1);
    EXPECT_EQ(r.am.Capacity(), 16);
    EXPECT_EQ(r.stream.Left(), 0u);
}

TEST(ManagerRequests, IndexRequestsAndTheThreadsAndModulesRequest) {
    Rig r;
    ASSERT_TRUE(r.am.Activate(3));
    EXPECT_EQ(r.Sent(), (Bytes{61, 3}));
    // An index the one-byte field cannot carry would name another task.
    EXPECT_FALSE(r.am.Activate(256));
    EXPECT_FALSE(r.am.Kill(-1));
    EXPECT_EQ(r.Sent(), (Bytes{61, 3}));

    r.Script(ListReply(292, {TaskBytes(5, u"a.exe")}));
    ASSERT_TRUE(r.am.Kill(1));
    EXPECT_EQ(r.Sent(), (Bytes{61, 3, 62, 1}));
    EXPECT_EQ(r.am.Count(), 1);

    // The identifier goes out in the record's own byte order; the module
    // name is cut at the NUL inside its field.
    Bytes module = ModuleBytes(0x01F60000, 0x82000, u"coredll.dll");
    PutUnits(module.data() + 20 + 2 * 12, 20, u"junk");
    r.Script(Cat({ListReply(8, {ThreadBytes(0x83CAD3E6, 251), ThreadBytes(0x83CBD3E6, -5)}),
                  ListReply(152, {module})}));
    ASSERT_TRUE(r.am.GetThrAndModLists(0x83C9D3E6));
    const Bytes sent = r.Sent();
    EXPECT_EQ(Bytes(sent.end() - 5, sent.end()), (Bytes{65, 0xE6, 0xD3, 0xC9, 0x83}));
    ASSERT_EQ(r.am.Threads().Count(), 2);
    EXPECT_EQ(r.am.Threads().Capacity(), 2 + 5);
    EXPECT_EQ(ThreadRows(r.am.Threads())[1], (std::array<std::string, 2>{"0x83cbd3e6", "-5"}));
    ASSERT_EQ(r.am.Modules().Count(), 1);
    EXPECT_EQ(r.am.Modules().Capacity(), 1 + 10);
    EXPECT_EQ(ModuleRows(r.am.Modules())[0],
              (std::array<std::string, 6>{"coredll.dll", "0x1f60000", "532480", "0x7", "0x1",
                                          "0x83f10000"}));

    // An empty thread list is still followed by the module reply: reading it
    // keeps the channel in step for the next request.
    Bytes info(244, 0);
    put_le16(info.data() + 232, 240);
    r.Script(Cat({ListReply(8, {}), ListReply(152, {module}), Word(244), info}));
    EXPECT_TRUE(r.am.GetThrAndModLists(9));
    EXPECT_EQ(r.am.Threads().Count(), 0);
    EXPECT_EQ(r.am.Modules().Count(), 1);
    ASSERT_TRUE(r.am.SysInfo().PullData());
    EXPECT_EQ(r.am.SysInfo().Info().width, 240);
    EXPECT_EQ(r.stream.Left(), 0u);

    // A process that ended meanwhile: no threads, then the empty reply.
    r.Script(Cat({ListReply(8, {}), Word(0)}));
    EXPECT_FALSE(r.am.GetThrAndModLists(9));
    EXPECT_TRUE(r.log.HasForced("MM::PullList:Error, 0 byte modlist returned from Pocket PC"));
    EXPECT_EQ(r.am.Threads().Count(), 0);
}

TEST(ManagerRequests, NoConnectionOrAFailedWriteFailsAtOnce) {
    RemoteTaskList lone;
    EXPECT_FALSE(lone.Pulltsklist());
    EXPECT_FALSE(lone.Activate(0));
    EXPECT_FALSE(lone.Kill(0));
    EXPECT_FALSE(lone.GetThrAndModLists(1));
    EXPECT_FALSE(lone.SysInfo().PullData());
    EXPECT_FALSE(lone.Threads().PullList());

    Rig r;
    r.Script(ListReply(292, {TaskBytes(5, u"a.exe")}));
    r.stream.FailWritesAfter(0);
    EXPECT_FALSE(r.am.Pulltsklist());
    EXPECT_EQ(r.stream.Consumed(), 0u);  // no reply was waited for
    EXPECT_EQ(r.am.Count(), 0);
}

TEST(ManagerRequests, EmptyAndTruncatedRepliesKeepOrEmptyTheList) {
    {
        Rig r;  // the handheld's empty reply leaves the list as it was
        r.Script(Cat({ListReply(292, {TaskBytes(5, u"a.exe"), TaskBytes(6, u"b.exe")}), Word(0)}));
        ASSERT_TRUE(r.am.Pulltsklist());
        EXPECT_FALSE(r.am.Pulltsklist());
        EXPECT_TRUE(
            r.log.HasForced("AM::Pulltsklist:Error, 0 byte tsklist returned from Pocket PC"));
        EXPECT_EQ(r.am.Count(), 2);
        EXPECT_EQ(r.am.ProcessId(1), 6u);
    }
    {
        Rig r;  // a kill whose reply says nothing: the rows stay, no "0 byte" line
        r.Script(Cat({ListReply(292, {TaskBytes(5, u"a.exe")}), Word(0)}));
        ASSERT_TRUE(r.am.Pulltsklist());
        EXPECT_FALSE(r.am.Kill(0));
        EXPECT_FALSE(r.log.Has("0 byte"));
        EXPECT_TRUE(r.log.HasForced("AM::Pulltsklist:Error reading num length from stream"));
        EXPECT_EQ(r.am.Count(), 1);
    }
    {
        Rig r;  // the stream ends inside the length word
        r.Script({0, 0});
        EXPECT_FALSE(r.am.Pulltsklist());
        EXPECT_TRUE(r.log.HasForced("AM::Pulltsklist:Error reading length from stream"));
        EXPECT_FALSE(r.command.IsOpen());  // the broken stream tore the channel down
    }
    {
        Rig r;  // the stream ends inside the records: nothing half-read is counted
        Bytes reply = ListReply(8, {ThreadBytes(1, 251), ThreadBytes(2, 251), ThreadBytes(3, 0)});
        reply.resize(reply.size() - 3);
        r.Script(reply);
        EXPECT_FALSE(r.am.GetThrAndModLists(1));
        EXPECT_TRUE(r.log.HasForced("TM::PullList:Error reading num length from stream"));
        EXPECT_EQ(r.am.Threads().Count(), 0);
        EXPECT_EQ(r.am.Modules().Count(), 0);
    }
    {
        Rig r;  // system information: a failed pull never half-replaces the record
        Bytes info(244, 0);
        PutUnits(info.data(), 35, u"1 X Intel Strongarm");
        Bytes cut(info);
        cut[0] = 'Z';
        cut.resize(100);
        r.Script(Cat({Word(244), info, Word(0), Word(244), cut}));
        ASSERT_TRUE(r.am.SysInfo().PullData());
        EXPECT_FALSE(r.am.SysInfo().PullData());
        EXPECT_TRUE(r.log.HasForced("SI::PullData:Error, 0 byte thrlist returned from Pocket PC"));
        EXPECT_FALSE(r.am.SysInfo().PullData());
        EXPECT_TRUE(r.log.HasForced("SI::PullData:Error reading num length from stream"));
        EXPECT_EQ(r.am.SysInfo().Info().processor, "1 X Intel Strongarm");
        // The broken stream ended the connection with the end command.
        EXPECT_EQ(r.Sent(), (Bytes{66, 66, 66, 0}));
    }
}

TEST(ManagerRequests, ALengthTheCountDoesNotExplainEndsTheConnection) {
    {
        Rig r;  // 255 records is the ceiling of a list: accepted
        std::vector<Bytes> threads(255, ThreadBytes(4, 251));
        r.Script(Cat({ListReply(8, threads), ListReply(152, {})}));
        ASSERT_TRUE(r.am.GetThrAndModLists(1));
        EXPECT_EQ(r.am.Threads().Count(), 255);
        EXPECT_EQ(r.am.Threads().Capacity(), 260);
    }
    {
        Rig r;  // one byte past it: not read on, nothing allocated
        Bytes reply = Cat({Word(255 * 8 + 2), Bytes(255 * 8 + 2, 0)});
        r.Script(reply);
        EXPECT_FALSE(r.am.GetThrAndModLists(1));
        EXPECT_TRUE(
            r.log.HasForced("TM::PullList:Error, 2042 byte thrlist is longer than any list"));
        EXPECT_EQ(r.stream.Consumed(), 4u);
        EXPECT_EQ(r.am.Threads().Capacity(), 0);
        EXPECT_FALSE(r.command.IsOpen());
    }
    {
        Rig r;  // a length word far past any list
        r.Script(Cat({ListReply(292, {TaskBytes(5, u"a.exe")}), Word(0xFFFFFFFF)}));
        ASSERT_TRUE(r.am.Pulltsklist());
        EXPECT_FALSE(r.am.Pulltsklist());
        EXPECT_EQ(r.am.Count(), 1);
        EXPECT_EQ(r.am.Capacity(), 15);
        EXPECT_FALSE(r.command.IsOpen());
    }
    {
        Rig r;  // a count that disagrees with the length: the list stays
        r.Script(ListReply(292, {TaskBytes(5, u"a.exe")}));
        Bytes reply = ListReply(292, {TaskBytes(6, u"b.exe"), TaskBytes(7, u"c.exe")});
        reply[4] = 3;
        r.Script(reply);
        ASSERT_TRUE(r.am.Pulltsklist());
        EXPECT_FALSE(r.am.Pulltsklist());
        EXPECT_TRUE(
            r.log.HasForced("AM::Pulltsklist:Error, 585 byte tsklist does not hold 3 records"));
        EXPECT_EQ(r.am.Count(), 1);
        EXPECT_EQ(r.am.ProcessId(0), 5u);
        EXPECT_FALSE(r.command.IsOpen());
    }
    {
        Rig r;  // system information of another size
        r.Script(Cat({Word(243), Bytes(243, 0)}));
        EXPECT_FALSE(r.am.SysInfo().PullData());
        EXPECT_TRUE(r.log.HasForced("SI::PullData:Error, 243 byte sysinfo"));
        EXPECT_FALSE(r.command.IsOpen());
    }
}

}  // namespace
}  // namespace hd::tools
