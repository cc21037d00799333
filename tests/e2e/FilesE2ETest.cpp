// The file and clipboard commands through the real listener on the virtual
// handheld, spoken as the desktop's file client speaks them.
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/Desktop.h"
#include "e2e/ListenerProcess.h"

namespace hd::test {
namespace {

using Bytes = std::vector<uint8_t>;
using namespace std::string_literals;

Bytes Units(std::u16string_view s) {
    Bytes out;
    for (char16_t c : s) out.push_back(uint8_t(c)), out.push_back(uint8_t(c >> 8));
    return out;
}

Bytes Counted(std::u16string_view path) {
    Bytes out{uint8_t(path.size() + 1)};
    Bytes units = Units(path);
    out.insert(out.end(), units.begin(), units.end());
    out.insert(out.end(), {0, 0});
    return out;
}

Bytes Field(std::u16string_view path) {
    Bytes out = Units(path);
    out.resize(520, 0);
    return out;
}

Bytes Packed(const Bytes& data) {
    uLongf clen = compressBound(uLong(data.size()));
    Bytes out(8 + clen);
    compress2(out.data() + 8, &clen, data.data(), uLong(data.size()), 9);
    put_be32(out.data(), uint32_t(clen));
    put_be32(out.data() + 4, uint32_t(data.size()));
    out.resize(8 + clen);
    return out;
}

// One command with its request, the status byte back.
int Exchange(Peer& cmd, uint8_t code, const Bytes& request) {
    Bytes out{code};
    out.insert(out.end(), request.begin(), request.end());
    if (!cmd.Send(out.data(), out.size())) return -1;
    return cmd.ReadByte(5000);
}

bool ReceivePacked(Peer& cmd, Bytes& out) {
    uint8_t head[8];
    if (!cmd.ReadExact(head, 8, 5000)) return false;
    const uint32_t clen = get_be32(head), ulen = get_be32(head + 4);
    if (clen > (64u << 20) || ulen > (64u << 20)) return false;
    Bytes packed(clen);
    if (!cmd.ReadExact(packed.data(), clen, 5000)) return false;
    out.assign(ulen, 0);
    uLongf got = ulen;
    return uncompress(out.data(), &got, packed.data(), clen) == Z_OK && got == ulen;
}

std::string Disk(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

TEST(FilesE2E, SendListFetchAndStayInsideTheRoot) {
    ListenerProcess listener;
    Desktop desktop;
    ASSERT_TRUE(desktop.Open(listener.Port()));
    Peer& cmd = desktop.cmd;

    // Send a file the size of a small document, in one packed transfer.
    std::string data(200000, '\0');
    uint32_t x = 99;
    for (auto& c : data) c = char((x = x * 1103515245 + 12345) >> 16);
    Bytes body = Field(u"\\Report.bin");
    body.resize(524);
    put_be32(body.data() + 520, uint32_t(data.size()));
    body.insert(body.end(), data.begin(), data.end());
    ASSERT_EQ(Exchange(cmd, HC_SEND_FILE, Packed(body)), 1) << listener.Output();
    EXPECT_EQ(Disk(listener.Root() + "/Report.bin"), data);

    // List it: one 560-byte record with its name and size.
    ASSERT_EQ(Exchange(cmd, HC_HD_DIR, Counted(u"\\*.bin")), 1);
    Bytes list;
    ASSERT_TRUE(ReceivePacked(cmd, list));
    ASSERT_EQ(list.size(), 560u);
    EXPECT_EQ(get_le32(list.data()), 0x20u);             // archive
    EXPECT_EQ(get_le32(list.data() + 32), data.size());  // size, low word
    EXPECT_EQ(Bytes(list.begin() + 40, list.begin() + 62), Units(u"Report.bin\0"s));

    // Fetch it back, in another letter case: identical.
    ASSERT_EQ(Exchange(cmd, HC_GET_FILE, Field(u"\\REPORT.BIN")), 1);
    Bytes fetched;
    ASSERT_TRUE(ReceivePacked(cmd, fetched));
    ASSERT_EQ(fetched.size(), 4 + data.size());
    EXPECT_EQ(get_be32(fetched.data()), data.size());
    EXPECT_EQ(std::string(fetched.begin() + 4, fetched.end()), data);

    // Out of the root: refused with status 0 and nothing more, and the
    // channel goes on.
    EXPECT_EQ(Exchange(cmd, HC_GET_FILE, Field(u"..\\..\\..\\..\\etc\\passwd")), 0);
    EXPECT_EQ(Exchange(cmd, HC_HD_DIR, Counted(u"\\..\\*.*")), 0);
    EXPECT_EQ(Exchange(cmd, HC_HD_CD, Counted(u"\\")), 1);

    // Clipboard text to the handheld and back.
    const Bytes text = Units(u"H\u00e9llo \u4e16\u754c\0"s);
    ASSERT_EQ(Exchange(cmd, HC_SET_CLIPTEXT, Packed(text)), 1);
    ASSERT_EQ(Exchange(cmd, HC_GET_CLIPTEXT, {}), 1);
    Bytes clip;
    ASSERT_TRUE(ReceivePacked(cmd, clip));
    EXPECT_EQ(clip, text);

    ASSERT_TRUE(cmd.Send({HC_STOP}));
    EXPECT_TRUE(desktop.WaitFor(HC_STOP, 3000));
    EXPECT_EQ(ExitCode(listener.Stop(3000)), 0) << listener.Output();
}

// A device disk that fills during a put or a copy: the old file keeps its
// contents, no partial file is left, and the device goes on serving.
TEST(FilesE2E, AFullDiskLeavesTheOldFileIntact) {
    constexpr long kDiskRoom = 100000;  // no file of the listener may grow past this
    ListenerProcess listener({}, {}, kDiskRoom);
    Desktop desktop;
    ASSERT_TRUE(desktop.Open(listener.Port()));
    Peer& cmd = desktop.cmd;
    const std::string old(50000, 'o');
    const std::string big(200000, 'b');
    std::ofstream(listener.Root() + "/Report.bin", std::ios::binary) << old;
    std::ofstream(listener.Root() + "/Big.bin", std::ios::binary) << big;

    auto put = [&](const std::string& data) {
        Bytes body = Field(u"\\Report.bin");
        body.resize(524);
        put_be32(body.data() + 520, uint32_t(data.size()));
        body.insert(body.end(), data.begin(), data.end());
        return Exchange(cmd, HC_SEND_FILE, Packed(body));
    };
    EXPECT_EQ(put(big), 0) << listener.Output();
    EXPECT_EQ(Disk(listener.Root() + "/Report.bin"), old);

    Bytes copy = Field(u"\\Big.bin");
    const Bytes to = Field(u"\\Report.bin");
    copy.insert(copy.end(), to.begin(), to.end());
    copy.insert(copy.end(), {1, 0});  // overwrite
    EXPECT_EQ(Exchange(cmd, HC_HD2HD_COPY, copy), 0);
    EXPECT_EQ(Disk(listener.Root() + "/Report.bin"), old);

    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(listener.Root()))
        names.insert(e.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"Big.bin", "Report.bin", "hdagent.log"}));

    // What fits is written as ever.
    EXPECT_EQ(put("new"), 1);
    EXPECT_EQ(Disk(listener.Root() + "/Report.bin"), "new");
    EXPECT_TRUE(listener.Running());
}

}  // namespace
}  // namespace hd::test
