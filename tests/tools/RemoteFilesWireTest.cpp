// The file client's requests byte for byte against a scripted stream, and its
// handling of replies it must not trust.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "desktop/tools/files/RemoteFiles.h"
#include "tools/RemoteFilesRig.h"

namespace hd::tools {
namespace {

using hd::test::Append;
using hd::test::Counted;
using hd::test::Field;
using hd::test::Packed;
using hd::test::TempFolders;
using hd::test::Unpack;
using test::WireRig;
using Bytes = hd::test::Bytes;

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) Append(out, p);
    return out;
}

Bytes Records(std::initializer_list<FileRecord> records) {
    Bytes out;
    for (const FileRecord& r : records) Append(out, Bytes(r.Bytes().begin(), r.Bytes().end()));
    return out;
}

TEST(RemoteFilesWire, ListingsSendTheCountedPattern) {
    WireRig r;
    const FileRecord a = FileRecord::Device(0x20, 5, 0, 0, 0, "a.txt");
    const FileRecord d = FileRecord::Device(0x10, 0, 0, 0, 0, "Dir");
    r.stream.AddBytes({1});
    r.stream.AddBytes(Packed(Records({a, d})));
    RecordList list;
    ASSERT_TRUE(RemoteFiles::ReadRecs(r.hc, "1:\\", list));
    // A folder ending in its separator is listed with "*.*".
    EXPECT_EQ(r.stream.Written(), Cat({{101}, Counted(u"\\*.*")}));
    ASSERT_EQ(list.Count(), 2u);
    EXPECT_TRUE(list.IsDevice());
    EXPECT_EQ(list.At(0).Name(), "a.txt");
    EXPECT_TRUE(list.At(1).IsDirectory());

    // Directories only: HC_HD_DIRTREE; status 0 (an empty folder) is no records.
    WireRig t;
    t.stream.AddBytes({0});
    EXPECT_FALSE(RemoteFiles::ReadRecs(t.hc, "1:\\Temp\\*.*", list, true));
    EXPECT_EQ(t.stream.Written(), Cat({{102}, Counted(u"\\Temp\\*.*")}));
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_EQ(RemoteFiles::LastError(), "");
    EXPECT_EQ(t.stream.Left(), 0u);
}

TEST(RemoteFilesWire, ACountedPathThatDoesNotFitIsRefusedNotCut) {
    WireRig r;
    const std::string fits = "1:\\" + std::string(248, 'x');     // 249 units and the NUL
    const std::string tooLong = "1:\\" + std::string(249, 'x');  // 250 and the NUL
    r.stream.AddBytes({0});
    RecordList list;
    RemoteFiles::ReadRecs(r.hc, fits, list);
    Bytes sent = r.stream.Written();
    ASSERT_EQ(sent.size(), 2u + 2 * 250);
    EXPECT_EQ(sent[1], 250);

    hd::test::LogCapture logs;
    bool has = true;
    EXPECT_FALSE(RemoteFiles::ReadRecs(r.hc, tooLong, list));
    EXPECT_NE(RemoteFiles::LastError().find("too long"), std::string::npos);
    EXPECT_FALSE(RemoteFiles::HasChildDirs(r.hc, tooLong, has));
    EXPECT_FALSE(has);
    bool exists = true;
    EXPECT_FALSE(RemoteFiles::Cd(r.hc, tooLong.substr(2), exists));
    EXPECT_EQ(r.stream.Written().size(), sent.size());  // nothing more went out
    EXPECT_TRUE(logs.HasForced("FS::ReadRecs:Error path of 250 characters is too long"));

    // The fixed field holds 259 characters and the NUL.
    bool ok = true;
    EXPECT_FALSE(RemoteFiles::FileDelete(r.hc, "1:\\" + std::string(259, 'y'), ok));
    EXPECT_FALSE(ok);
    // A path that is not UTF-8 is not guessed at.
    EXPECT_FALSE(RemoteFiles::MkDir(r.hc, "1:\\bad\xFF", ok));
    EXPECT_EQ(r.stream.Written().size(), sent.size());
}

TEST(RemoteFilesWire, FixedFieldRequestsAndTheirStatus) {
    WireRig r;
    bool ok = true, exists = false, has = false;
    r.stream.AddBytes({0, 1, 1, 1, 1, 1});
    // Status 0 completes with the flag cleared.
    EXPECT_TRUE(RemoteFiles::FileDelete(r.hc, "1:\\a.txt", ok));
    EXPECT_FALSE(ok);
    EXPECT_TRUE(RemoteFiles::RenameFile(r.hc, "1:\\a", "1:\\b\\\u00e9", ok));
    EXPECT_TRUE(ok);
    EXPECT_TRUE(RemoteFiles::FileCopy(r.hc, "1:\\a", "1:\\b", true));
    EXPECT_TRUE(RemoteFiles::RmDir(r.hc, "1:\\d", ok));
    // Cd takes the bare handheld path; HasChildDirs a pattern.
    EXPECT_TRUE(RemoteFiles::Cd(r.hc, "\\Windows", exists));
    EXPECT_TRUE(exists);
    EXPECT_TRUE(RemoteFiles::HasChildDirs(r.hc, "1:\\Windows\\", has));
    EXPECT_TRUE(has);
    EXPECT_EQ(r.stream.Written(), Cat({{104},
                                       Field(u"\\a.txt"),
                                       {110},
                                       Field(u"\\a"),
                                       Field(u"\\b\\\u00e9"),
                                       {105},
                                       Field(u"\\a"),
                                       Field(u"\\b"),
                                       {1, 0},
                                       {107},
                                       Field(u"\\d"),
                                       {100},
                                       Counted(u"\\Windows"),
                                       {103},
                                       Counted(u"\\Windows\\*.*")}));

    // Without overwrite the copy's flag byte is 0, and status 0 is a failure.
    WireRig c;
    c.stream.AddBytes({0});
    EXPECT_FALSE(RemoteFiles::FileCopy(c.hc, "1:\\a", "1:\\b", false));
    EXPECT_EQ(c.stream.Written()[1 + 1040], 0);

    // A rename across the machines is refused before anything is sent.
    WireRig x;
    EXPECT_FALSE(RemoteFiles::RenameFile(x.hc, "1:\\a", "/tmp/a", ok));
    EXPECT_TRUE(x.stream.Written().empty());
}

TEST(RemoteFilesWire, SendFileCarriesFieldSizeAndBytesInOnePacket) {
    TempFolders dirs;
    const std::string src = dirs.base + "/src.bin";
    std::string content(70000, '\0');
    for (size_t i = 0; i < content.size(); ++i) content[i] = char(i * 7 + i / 251);
    hd::test::WriteFile(src, content);
    WireRig r;
    r.stream.AddBytes({1});
    ASSERT_TRUE(RemoteFiles::FileCopy(r.hc, src, "1:\\My Documents\\s.bin", false));
    const Bytes sent = r.stream.Written();
    ASSERT_EQ(sent[0], 108);
    Bytes body;
    ASSERT_TRUE(Unpack(sent, 1, body));
    ASSERT_EQ(body.size(), 524 + content.size());
    EXPECT_EQ(Bytes(body.begin(), body.begin() + 520), Field(u"\\My Documents\\s.bin"));
    EXPECT_EQ(get_be32(body.data() + 520), content.size());
    EXPECT_EQ(std::string(body.begin() + 524, body.end()), content);

    // An empty file sends a header with size 0.
    hd::test::WriteFile(src, "");
    WireRig e;
    e.stream.AddBytes({1});
    ASSERT_TRUE(RemoteFiles::Desk2DeviceCopy(e.hc, src, "1:\\e"));
    ASSERT_TRUE(Unpack(e.stream.Written(), 1, body));
    EXPECT_EQ(body.size(), 524u);
    EXPECT_EQ(get_be32(body.data() + 520), 0u);

    // A source that cannot be read sends nothing.
    WireRig m;
    EXPECT_FALSE(RemoteFiles::Desk2DeviceCopy(m.hc, dirs.base + "/missing", "1:\\e"));
    EXPECT_TRUE(m.stream.Written().empty());
}

TEST(RemoteFilesWire, FilesOf4GiBOrMoreAreRefusedBeforeAnythingIsSent) {
    TempFolders dirs;
    const std::string big = dirs.base + "/big.bin";
    hd::test::WriteFile(big, "");
    ASSERT_EQ(::truncate(big.c_str(), off_t(4) << 30), 0);  // sparse
    WireRig r;
    EXPECT_FALSE(RemoteFiles::FileCopy(r.hc, big, "1:\\big.bin", true));
    EXPECT_NE(RemoteFiles::LastError().find("4 GiB"), std::string::npos);
    EXPECT_TRUE(r.stream.Written().empty());

    // So is a file past the transfer ceiling, which the handheld would refuse.
    const uint32_t ceiling = Channel::TransferCeiling();
    Channel::SetTransferCeiling(2000);
    hd::test::WriteFile(big, std::string(2000 - 524 + 1, 'b'));
    EXPECT_FALSE(RemoteFiles::FileCopy(r.hc, big, "1:\\big.bin", true));
    EXPECT_TRUE(r.stream.Written().empty());
    hd::test::WriteFile(big, std::string(2000 - 524, 'b'));
    r.stream.AddBytes({1});
    EXPECT_TRUE(RemoteFiles::FileCopy(r.hc, big, "1:\\big.bin", true));
    Channel::SetTransferCeiling(ceiling);
}

TEST(RemoteFilesWire, GetFileLandsWholeOrNotAtAll) {
    TempFolders dirs;
    const std::string dst = dirs.base + "/d.txt";
    hd::test::WriteFile(dst, "the good old file");
    Bytes reply{1};
    Bytes body{0, 0, 0, 5, 'h', 'e', 'l', 'l', 'o'};
    Append(reply, Packed(body));

    WireRig r;
    r.stream.AddBytes(reply);
    ASSERT_TRUE(RemoteFiles::FileCopy(r.hc, "1:\\a.txt", dst, false));
    EXPECT_EQ(r.stream.Written(), Cat({{109}, Field(u"\\a.txt")}));
    EXPECT_EQ(hd::test::ReadFile(dst), "hello");

    auto onlyDst = [&] {
        size_t n = 0;
        for (auto& e : std::filesystem::directory_iterator(dirs.base)) n += e.is_regular_file();
        return n == 1;
    };
    // Status 0: the destination stays.
    WireRig z;
    z.stream.AddBytes({0});
    EXPECT_FALSE(RemoteFiles::Device2DeskCopy(z.hc, "1:\\a.txt", dst));
    EXPECT_EQ(hd::test::ReadFile(dst), "hello");
    // A size past the bytes received is not written, and nothing is left over.
    WireRig s;
    Bytes lying{1};
    Append(lying, Packed({0, 0, 0, 200, 'x', 'y'}));
    s.stream.AddBytes(lying);
    EXPECT_FALSE(RemoteFiles::Device2DeskCopy(s.hc, "1:\\a.txt", dst));
    EXPECT_EQ(hd::test::ReadFile(dst), "hello");
    EXPECT_TRUE(onlyDst());
    // The stream breaks in the middle of the packet.
    WireRig b;
    b.stream.AddBytes(Bytes(reply.begin(), reply.begin() + 7));
    b.stream.AddFailure();
    EXPECT_FALSE(RemoteFiles::Device2DeskCopy(b.hc, "1:\\a.txt", dst));
    EXPECT_EQ(hd::test::ReadFile(dst), "hello");
    EXPECT_TRUE(onlyDst());
    // A destination folder that cannot be written leaves no partial file.
    WireRig w;
    w.stream.AddBytes(reply);
    EXPECT_FALSE(RemoteFiles::Device2DeskCopy(w.hc, "1:\\a.txt", dirs.base + "/no/such/folder/x"));
}

TEST(RemoteFilesWire, ClipboardTextBothWays) {
    MemoryClipboard desk;
    // Handheld to desktop: the block's slack behind the terminator is dropped.
    WireRig g;
    Bytes text = hd::test::Utf16Bytes(u"h\u00e9llo \U0001F600");
    Append(text, {0, 0, 'j', 0, 'k', 0});
    Bytes reply{1};
    Append(reply, Packed(text));
    g.stream.AddBytes(reply);
    bool got = false;
    ASSERT_TRUE(RemoteFiles::GetClipText(g.hc, desk, got));
    EXPECT_TRUE(got);
    EXPECT_EQ(g.stream.Written(), Bytes{112});
    EXPECT_EQ(desk.Text(), "h\xC3\xA9llo \xF0\x9F\x98\x80");
    // No text on the handheld: ours is left untouched.
    WireRig n;
    n.stream.AddBytes({0});
    ASSERT_TRUE(RemoteFiles::GetClipText(n.hc, desk, got));
    EXPECT_FALSE(got);
    EXPECT_EQ(desk.Sets(), 1);

    // Desktop to handheld: UTF-16 with its terminator, one packet.
    WireRig s;
    s.stream.AddBytes({1});
    desk.SetText("\xE2\x82\xACx");
    bool accepted = false;
    ASSERT_TRUE(RemoteFiles::SetClipText(s.hc, desk, accepted));
    EXPECT_TRUE(accepted);
    const Bytes sent = s.stream.Written();
    ASSERT_EQ(sent[0], 111);
    Bytes body;
    ASSERT_TRUE(Unpack(sent, 1, body));
    EXPECT_EQ(body, (Bytes{0xAC, 0x20, 'x', 0, 0, 0}));
    // An empty desktop clipboard sends nothing.
    WireRig e;
    desk.Clear();
    EXPECT_FALSE(RemoteFiles::SetClipText(e.hc, desk, accepted));
    EXPECT_TRUE(e.stream.Written().empty());
}

TEST(RemoteFilesWire, FileInfoWantsExactlyOneRecord) {
    const FileRecord a = FileRecord::Device(0x20, 9, 0, 0, 77, "a.txt");
    WireRig r;
    r.stream.AddBytes({1});
    r.stream.AddBytes(Packed(Records({a})));
    r.stream.AddBytes({1});
    r.stream.AddBytes(Packed(Records({a, a})));
    bool found = false;
    FileRecord rec;
    ASSERT_TRUE(RemoteFiles::GetFileInfo(r.hc, "1:\\a.txt", found, rec));
    EXPECT_TRUE(found);
    EXPECT_EQ(rec.FileSize(), 9u);
    EXPECT_EQ(rec.LastWriteTime(), 77u);
    ASSERT_TRUE(RemoteFiles::GetFileInfo(r.hc, "1:\\a*", found, rec));
    EXPECT_FALSE(found);
    // The connection failing mid-exchange: not completed.
    WireRig f;
    f.stream.AddFailure();
    EXPECT_FALSE(RemoteFiles::GetFileInfo(f.hc, "1:\\a.txt", found, rec));
    EXPECT_FALSE(found);
}

// The handheld's own search finds nothing for a path ending in a backslash
// or for the bare root: folder tests and lookups never send either.
TEST(RemoteFilesWire, FolderTestsNeverEndInABackslash) {
    WireRig r;
    bool exists = false;
    ASSERT_TRUE(RemoteFiles::Cd(r.hc, "\\", exists));
    EXPECT_TRUE(exists);
    EXPECT_TRUE(r.stream.Written().empty());  // the root is a folder without asking

    r.stream.AddBytes({1});
    ASSERT_TRUE(RemoteFiles::Cd(r.hc, "\\Docs\\", exists));
    EXPECT_TRUE(exists);
    EXPECT_EQ(r.stream.Written(), Cat({{100}, Counted(u"\\Docs")}));

    WireRig g;
    const FileRecord d = FileRecord::Device(0x10, 0, 0, 0, 0, "Docs");
    g.stream.AddBytes({1});
    g.stream.AddBytes(Packed(Records({d})));
    bool found = false;
    FileRecord record;
    ASSERT_TRUE(RemoteFiles::GetFileInfo(g.hc, "1:\\Docs\\", found, record));
    EXPECT_TRUE(found);
    EXPECT_EQ(record.Name(), "Docs");
    EXPECT_EQ(g.stream.Written(), Cat({{101}, Counted(u"\\Docs")}));
    // The root has no entry of its own to look up.
    ASSERT_TRUE(RemoteFiles::GetFileInfo(g.hc, "1:\\", found, record));
    EXPECT_FALSE(found);
    EXPECT_EQ(g.stream.Written().size(), 1u + 1 + 2 * 6);
}

TEST(RemoteFilesWire, AHostileListingCannotOverrunARecord) {
    // A listing whose length is not a multiple of 560 keeps its whole records.
    Bytes raw = Records({FileRecord::Device(0, 1, 0, 0, 0, "a")});
    raw.resize(raw.size() + 100, 0xFF);
    WireRig r;
    r.stream.AddBytes({1});
    r.stream.AddBytes(Packed(raw));
    RecordList list;
    EXPECT_TRUE(RemoteFiles::ReadRecs(r.hc, "1:\\*.*", list));
    EXPECT_EQ(list.Count(), 1u);
}

}  // namespace
}  // namespace hd::tools
