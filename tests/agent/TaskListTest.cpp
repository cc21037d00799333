// The task, thread and module lists: their records and list replies byte for
// byte, growth, cut names, the window pass, activation and kill.
#include "agent/tasks/TaskList.h"

#include <gtest/gtest.h>

#include "TaskFakes.h"
#include "common/ByteOrder.h"
#include "support/FakeStream.h"

namespace hd {
namespace {

using test::FakeStream;
using test::FakeSystem;
using test::FakeTasks;
using test::LogCapture;
using Bytes = std::vector<uint8_t>;

// text (ASCII) as UTF-16LE in a field of `units` units.
void AppendWide(Bytes& out, const std::string& text, size_t units) {
    for (size_t i = 0; i < units; ++i) {
        const char c = i < text.size() ? text[i] : 0;
        out.push_back(uint8_t(c));
        out.push_back(0);
    }
}

// The UTF-16 units of a field up to its NUL, or the whole field without one.
std::u16string Wide(const uint8_t* p, size_t units) {
    std::u16string s;
    for (size_t i = 0; i < units && get_le16(p + 2 * i); ++i) s += char16_t(get_le16(p + 2 * i));
    return s;
}

Bytes Sent(TaskList& am) {
    FakeStream s;
    Channel ch(&s);
    EXPECT_TRUE(am.tsklist2Stream(ch));
    return s.Written();
}

struct Lists : ::testing::Test {
    FakeTasks tasks;
    FakeSystem system;
    TaskList am{tasks, system};
};

TEST_F(Lists, TaskRecordAndListReplyByteForByte) {
    tasks.processes = {{7, 0x11223344, 0x55667788, 3, 0x0A0B0C0D, "\\Windows\\notes.exe"}};
    tasks.windows = {{0x7C0A2E40, 0x99, 0x11223344, true, "Notes"}};
    ASSERT_TRUE(am.Loadtsklist());

    Bytes want = {
        0x00, 0x00, 0x01, 0x25,              // length: 1 x 292 + 1, big-endian
        0x01,                                // count
        0x07, 0x00, 0x00, 0x00,              // 0: usage count
        0x44, 0x33, 0x22, 0x11,              // 4: process identifier
        0x88, 0x77, 0x66, 0x55,              // 8: parent identifier
        0x03, 0x00, 0x00, 0x00,              // 12: threads
        0x0D, 0x0C, 0x0B, 0x0A,              // 16: module identifier
        0,    0,    0,    0,    0, 0, 0, 0,  // 20: zero
        0x00, 0x00, 0x00, 0x00,              // 28: zero
        0x40, 0x2E, 0x0A, 0x7C,              // 32: main window
    };
    AppendWide(want, "notes.exe", 64);  // 36: the name after the last backslash
    AppendWide(want, "Notes", 64);      // 164: the window's title
    EXPECT_EQ(Sent(am), want);
    EXPECT_EQ(am.List().Capacity(), 15);  // allocated at construction
}

TEST_F(Lists, TheSixteenthProcessGrowsTheListByOne) {
    for (uint32_t pid = 1; pid <= 15; ++pid) tasks.AddProcess(pid, "p.exe");
    ASSERT_TRUE(am.Loadtsklist());
    EXPECT_EQ(am.List().Capacity(), 15);
    tasks.AddProcess(16, "sixteen.exe");
    ASSERT_TRUE(am.Loadtsklist());
    EXPECT_EQ(am.List().Capacity(), 16);
    const Bytes sent = Sent(am);
    ASSERT_EQ(sent.size(), 4u + 1 + 16 * 292);
    EXPECT_EQ(get_be32(sent.data()), 16u * 292 + 1);
    EXPECT_EQ(sent[4], 16);
    EXPECT_EQ(get_le32(sent.data() + 5 + 15 * 292 + 4), 16u);
    EXPECT_EQ(Wide(sent.data() + 5 + 15 * 292 + 36, 64), u"sixteen.exe");

    // A shorter list later: the records past it were cleared, not resent.
    tasks.processes.resize(2);
    ASSERT_TRUE(am.Loadtsklist());
    EXPECT_EQ(am.List().Capacity(), 16);
    EXPECT_EQ(Sent(am).size(), 4u + 1 + 2 * 292);
    EXPECT_EQ(get_le32(am.List().Record(2) + 4), 0u);
}

TEST_F(Lists, NamesAreCutSoTheNulStaysInsideTheField) {
    const std::string longName(80, 'x');
    tasks.processes = {{1, 5, 0, 1, 0, longName + ".exe"}};
    tasks.windows = {{0x100, 1, 5, true, std::string(70, 't')}};
    tasks.modules[5] = {{0x1000, 0x100, 1, 1, 0x1000, std::string(70, 'm')}};
    ASSERT_TRUE(am.Loadtsklist());
    const uint8_t* r = am.List().Record(0);
    EXPECT_EQ(Wide(r + 36, 64), std::u16string(63, u'x'));  // 63 units, then the NUL
    EXPECT_EQ(Wide(r + 164, 64), std::u16string(63, u't'));
    EXPECT_EQ(get_le16(r + 36 + 126), 0);
    EXPECT_EQ(get_le16(r + 164 + 126), 0);

    ASSERT_TRUE(am.Modules().LoadModuleList(5));
    const uint8_t* m = am.Modules().List().Record(0);
    EXPECT_EQ(Wide(m + 20, 66), std::u16string(65, u'm'));
    EXPECT_EQ(get_le16(m + 20 + 130), 0);

    // Not ASCII: UTF-8 becomes UTF-16, a pair outside the BMP is never split
    // by the cut, and bytes that are not UTF-8 become U+FFFD.
    tasks.processes = {{1, 5, 0, 1, 0, std::string(62, 'a') + "\xF0\x9F\x98\x80"},
                       {1, 6, 0, 1, 0, "caf\xC3\xA9\xFF.exe"}};
    ASSERT_TRUE(am.Loadtsklist());
    EXPECT_EQ(Wide(am.List().Record(0) + 36, 64), std::u16string(62, u'a'));
    EXPECT_EQ(Wide(am.List().Record(1) + 36, 64), u"caf\u00E9\uFFFD.exe");
}

TEST_F(Lists, WindowPass) {
    tasks.AddProcess(10, "a.exe");
    tasks.AddProcess(20, "b.exe");
    tasks.AddProcess(30, "c.exe");
    tasks.windows = {
        {0x111, 1, 10, true, "First"},    // a: titled, then an untitled later one
        {0x112, 1, 10, true, ""},         //    keeps the title, takes the handle
        {0x200, 2, 20, false, "Hidden"},  // b: only an invisible window
        {0x300, 0, 30, true, "NoThread"}, {0x400, 4, 99, true, "Stranger"},  // no such process
    };
    ASSERT_TRUE(am.Loadtsklist());
    EXPECT_EQ(get_le32(am.List().Record(0) + 32), 0x112u);
    EXPECT_EQ(Wide(am.List().Record(0) + 164, 64), u"First");
    EXPECT_EQ(get_le32(am.List().Record(1) + 32), 0u);
    EXPECT_EQ(Wide(am.List().Record(1) + 164, 64), u"");
    EXPECT_EQ(get_le32(am.List().Record(2) + 32), 0u);

    // Only a titled visible window is activated; an index past the list
    // does nothing.
    EXPECT_TRUE(am.ActivateTask(1));
    EXPECT_TRUE(am.ActivateTask(3));
    EXPECT_TRUE(am.ActivateTask(255));
    EXPECT_TRUE(tasks.calls.empty());
    EXPECT_TRUE(am.ActivateTask(0));
    EXPECT_EQ(tasks.calls, std::vector<std::string>{"activate 274"});
}

TEST_F(Lists, KillClosesThenTerminatesAndTheListShifts) {
    tasks.AddProcess(10, "a.exe");
    tasks.AddProcess(20, "b.exe");
    tasks.AddProcess(30, "c.exe");
    tasks.windows = {{0x222, 2, 20, true, "B"}};
    ASSERT_TRUE(am.Loadtsklist());

    EXPECT_TRUE(am.KillTask(3));  // past the list: nothing at all
    EXPECT_TRUE(tasks.calls.empty());

    EXPECT_TRUE(am.KillTask(1));
    EXPECT_EQ(tasks.calls, (std::vector<std::string>{"close 546", "terminate 20"}));
    ASSERT_EQ(am.List().Count(), 2);
    EXPECT_EQ(get_le32(am.List().Record(1) + 4), 30u);  // c moved down to index 1

    tasks.calls.clear();  // no window: no close request
    EXPECT_TRUE(am.KillTask(0));
    EXPECT_EQ(tasks.calls, std::vector<std::string>{"terminate 10"});
}

TEST_F(Lists, ALongerListThanTheCountByteStopsAt255) {
    LogCapture logs;
    for (uint32_t pid = 1; pid <= 300; ++pid) tasks.AddProcess(pid, "p.exe");
    ASSERT_TRUE(am.Loadtsklist());
    EXPECT_TRUE(logs.HasForced("AM::MakeRoom:Error resizing tsklist to 256 recs"));
    const Bytes sent = Sent(am);
    EXPECT_EQ(get_be32(sent.data()), 255u * 292 + 1);
    EXPECT_EQ(sent[4], 255);
    EXPECT_EQ(sent.size(), 5u + 255 * 292);
}

TEST_F(Lists, ThreadAndModuleListsByteForByte) {
    tasks.threads[0x42] = {{0x0A0B0C0D, 251}, {0x01020304, -2}};
    tasks.modules[0x42] = {
        {0x01F60000, 0x82000, 5, 1, 0x83F10000, "coredll.dll"},
        // Too wide for 32 bits: addresses become 0, the size is clamped.
        {0x7F0012340000ull, 0x123456789ull, 0, 1, 0x7F0012340000ull, "libc.so.6"},
    };
    ASSERT_TRUE(am.Threads().LoadThreadList(0x42));
    EXPECT_EQ(am.Threads().List().Capacity(), 2 + 5);  // grown one by one, 5 spare
    FakeStream s;
    Channel ch(&s);
    ASSERT_TRUE(am.Threads().List2Stream(ch));
    EXPECT_EQ(s.Written(), (Bytes{
                               0x00, 0x00, 0x00, 0x11,  // length: 2 x 8 + 1
                               0x02,                    // count
                               0x0D, 0x0C, 0x0B, 0x0A,  // thread identifier
                               0xFB, 0x00, 0x00, 0x00,  // base priority 251
                               0x04, 0x03, 0x02, 0x01,  // thread identifier
                               0xFE, 0xFF, 0xFF, 0xFF,  // base priority -2
                           }));
    EXPECT_EQ(am.Threads().List().Capacity(), 0);  // sent: the memory is given back

    ASSERT_TRUE(am.Modules().LoadModuleList(0x42));
    EXPECT_EQ(am.Modules().List().Capacity(), 2 + 10);
    FakeStream m;
    Channel mch(&m);
    ASSERT_TRUE(am.Modules().List2Stream(mch));
    Bytes want = {
        0x00, 0x00, 0x01, 0x31,  // length: 2 x 152 + 1
        0x02,                    // count
        0x00, 0x00, 0xF6, 0x01,  // 0: base address
        0x00, 0x20, 0x08, 0x00,  // 4: size
        0x05, 0x00, 0x00, 0x00,  // 8: global usage
        0x01, 0x00, 0x00, 0x00,  // 12: process usage
        0x00, 0x00, 0xF1, 0x83,  // 16: handle
    };
    AppendWide(want, "coredll.dll", 66);  // 20: name
    want.insert(want.end(), {
                                0x00, 0x00, 0x00, 0x00,  // 0: base past 32 bits: 0
                                0xFF, 0xFF, 0xFF, 0xFF,  // 4: size past 32 bits: clamped
                                0x00, 0x00, 0x00, 0x00,  // 8: global usage
                                0x01, 0x00, 0x00, 0x00,  // 12: process usage
                                0x00, 0x00, 0x00, 0x00,  // 16: handle past 32 bits: 0
                            });
    AppendWide(want, "libc.so.6", 66);
    EXPECT_EQ(m.Written(), want);
    EXPECT_EQ(am.Modules().List().Capacity(), 0);

    // No threads and no modules: length 1, count 0, no records.
    tasks.modules[0x43] = {};
    ASSERT_TRUE(am.Threads().LoadThreadList(0x43));
    ASSERT_TRUE(am.Modules().LoadModuleList(0x43));
    FakeStream e;
    Channel ech(&e);
    ASSERT_TRUE(am.Threads().List2Stream(ech));
    ASSERT_TRUE(am.Modules().List2Stream(ech));
    EXPECT_EQ(e.Written(), (Bytes{0, 0, 0, 1, 0, 0, 0, 0, 1, 0}));
}

}  // namespace
}  // namespace hd
