// The process and system commands through the real listener on the virtual
// handheld, read as the desktop's manager reads them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/Desktop.h"
#include "e2e/ListenerProcess.h"

namespace hd::test {
namespace {

// One list reply: the length word, then that many bytes; the records must
// fill it exactly.
bool ReadList(Peer& cmd, uint32_t recordSize, std::vector<uint8_t>& body) {
    uint8_t len[4];
    if (!cmd.ReadExact(len, 4, 3000)) return false;
    const uint32_t n = get_be32(len);
    if (n < 1 || n > 255 * recordSize + 1) return false;
    body.assign(n, 0);
    return cmd.ReadExact(body.data(), n, 3000) && n == body[0] * recordSize + 1;
}

std::string Text(const uint8_t* p, size_t units) {
    std::string s;
    for (size_t i = 0; i < units && get_le16(p + 2 * i); ++i) s += char(get_le16(p + 2 * i));
    return s;
}

TEST(TasksE2E, TaskListThreadsModulesAndSystemInformation) {
    ListenerProcess listener;
    Desktop desktop;
    ASSERT_TRUE(desktop.Open(listener.Port()));

    ASSERT_TRUE(desktop.cmd.Send({HC_GETTASKLIST}));
    std::vector<uint8_t> tasks;
    ASSERT_TRUE(ReadList(desktop.cmd, 292, tasks)) << listener.Output();
    const uint8_t* nk = nullptr;
    for (size_t i = 0; i < tasks[0]; ++i)
        if (Text(tasks.data() + 1 + 292 * i + 36, 64) == "nk.exe") nk = tasks.data() + 1 + 292 * i;
    ASSERT_NE(nk, nullptr);

    // The process identifier goes back exactly as the record carried it.
    ASSERT_TRUE(desktop.cmd.Send({HC_GETTHRANDMODLISTS, nk[4], nk[5], nk[6], nk[7]}));
    std::vector<uint8_t> threads, modules;
    ASSERT_TRUE(ReadList(desktop.cmd, 8, threads));
    EXPECT_EQ(threads[0], get_le32(nk + 12));
    ASSERT_TRUE(ReadList(desktop.cmd, 152, modules));
    ASSERT_GE(modules[0], 1);
    EXPECT_EQ(Text(modules.data() + 1 + 20, 66), "coredll.dll");

    ASSERT_TRUE(desktop.cmd.Send({HC_GETSYSINFO}));
    uint8_t info[4 + 244];
    ASSERT_TRUE(desktop.cmd.ReadExact(info, sizeof info, 3000));
    EXPECT_EQ(get_be32(info), 244u);
    EXPECT_EQ(Text(info + 4, 35), "1 X Intel Strongarm");
    EXPECT_EQ(Text(info + 4 + 70, 61), "Windows CE 3.0, build 11171");
    EXPECT_EQ(get_le16(info + 4 + 232), 240);

    // A kill past the end of the list ends nothing and answers with the list.
    ASSERT_TRUE(desktop.cmd.Send({HC_KILLTASK, 250}));
    std::vector<uint8_t> again;
    ASSERT_TRUE(ReadList(desktop.cmd, 292, again));
    EXPECT_EQ(again[0], tasks[0]);

    ASSERT_TRUE(desktop.cmd.Send({HC_STOP}));
    EXPECT_TRUE(desktop.WaitFor(HC_STOP, 3000));
    EXPECT_EQ(ExitCode(listener.Stop(3000)), 0) << listener.Output();
}

}  // namespace
}  // namespace hd::test
