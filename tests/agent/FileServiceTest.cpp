// The file and clipboard service against a temporary device root, through the
// channel as the desktop drives it: whole requests in, reply bytes checked.
// Every case runs with both ways of resolving names (openat2 where the kernel
// has it, and the O_NOFOLLOW walk).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "agent/FileServiceWire.h"
#include "agent/files/DirRecord.h"
#include "agent/files/FileService.h"
#include "agent/platform/MemoryClipboard.h"
#include "agent/platform/PosixFiles.h"
#include "common/Codes.h"
#include "support/FakeStream.h"

namespace hd {
namespace {

using namespace test;
using platform::RootFolder;
namespace fs = std::filesystem;

struct Record {
    uint32_t attributes;
    uint64_t size;
    uint64_t lastWrite;
    std::u16string name;
};

std::vector<Record> Records(const Bytes& reply) {
    Bytes list;
    if (reply.empty() || reply[0] != 1 || !Unpack(reply, 1, list) || list.size() % 560 != 0) {
        ADD_FAILURE() << "not a listing reply";
        return {};
    }
    std::vector<Record> out;
    for (size_t at = 0; at < list.size(); at += 560) {
        const uint8_t* r = list.data() + at;
        Record rec{get_le32(r),
                   uint64_t(get_le32(r + 28)) << 32 | get_le32(r + 32),
                   uint64_t(get_le32(r + 24)) << 32 | get_le32(r + 20),
                   {}};
        for (size_t i = 40; i < 560 && get_le16(r + i); i += 2)
            rec.name += char16_t(get_le16(r + i));
        out.push_back(rec);
    }
    return out;
}

std::set<std::u16string> Names(const std::vector<Record>& records) {
    std::set<std::u16string> names;
    for (auto& r : records) names.insert(r.name);
    return names;
}

const Record* Find(const std::vector<Record>& records, std::u16string_view name) {
    for (auto& r : records)
        if (r.name == name) return &r;
    return nullptr;
}

Bytes Two(const Bytes& a, const Bytes& b, std::initializer_list<uint8_t> tail = {}) {
    Bytes out = a;
    Append(out, b);
    out.insert(out.end(), tail);
    return out;
}

Bytes SendRequest(std::u16string_view path, uint32_t size, const std::string& data) {
    Bytes body = Field(path);
    body.resize(524);
    put_be32(body.data() + 520, size);
    body.insert(body.end(), data.begin(), data.end());
    return Packed(body);
}

class FileServiceTest : public ::testing::TestWithParam<RootFolder::Mode> {
protected:
    FileServiceTest() {
        auto files = std::make_unique<platform::PosixFiles>(dirs.root, GetParam());
        posix = files.get();
        dm = std::make_unique<FileService>(std::move(files),
                                           std::make_unique<platform::MemoryClipboard>());
    }

    // One request in, the reply out. The request must be consumed exactly:
    // the command byte behind it stays unread.
    Bytes Run(uint8_t code, const Bytes& request) {
        FakeStream s;
        Bytes in = request;
        in.push_back(HC_STOP);
        s.AddBytes(in);
        Channel channel(&s);
        dm->Handle(code, channel);
        EXPECT_EQ(s.Left(), 1u) << "the request was not consumed exactly";
        return s.Written();
    }
    std::string P(const std::string& rel) const { return dirs.root + "/" + rel; }

    TempFolders dirs;
    platform::PosixFiles* posix = nullptr;
    std::unique_ptr<FileService> dm;
};

const Bytes kOk{1}, kFailed{0};

// Puts the channel's transfer ceiling back however the test ends.
struct CeilingGuard {
    const uint32_t saved = Channel::TransferCeiling();
    ~CeilingGuard() { Channel::SetTransferCeiling(saved); }
};

TEST_P(FileServiceTest, CdAnswersOneForFoldersOnly) {
    fs::create_directory(P("Docs"));
    WriteFile(P("f.txt"), "x");
    EXPECT_EQ(Run(HC_HD_CD, Counted(u"\\Docs")), kOk);
    EXPECT_EQ(Run(HC_HD_CD, Counted(u"\\DOCS")), kOk);  // any letter case
    EXPECT_EQ(Run(HC_HD_CD, Counted(u"\\D*")), kOk);    // the first match decides
    EXPECT_EQ(Run(HC_HD_CD, Counted(u"\\f.txt")), kFailed);
    EXPECT_EQ(Run(HC_HD_CD, Counted(u"\\missing")), kFailed);
    // The root: "cd \" arrives as "" once the desktop strips the backslash.
    EXPECT_EQ(Run(HC_HD_CD, Counted(u"")), kOk);
    EXPECT_EQ(Run(HC_HD_CD, Counted(u"\\")), kOk);
}

TEST_P(FileServiceTest, DirListsMatchingEntriesAsRecords) {
    WriteFile(P("a.txt"), "hello");
    WriteFile(P("B.TXT"), "");
    WriteFile(P("c.doc"), "doc");
    WriteFile(P("noext"), "");
    fs::create_directory(P("sub"));

    auto txt = Records(Run(HC_HD_DIR, Counted(u"\\*.txt")));
    EXPECT_EQ(Names(txt), (std::set<std::u16string>{u"a.txt", u"B.TXT"}));
    const Record* a = Find(txt, u"a.txt");
    ASSERT_TRUE(a);
    struct stat st;
    ASSERT_EQ(::stat(P("a.txt").c_str(), &st), 0);
    EXPECT_EQ(a->attributes, platform::kAttrArchive);
    EXPECT_EQ(a->size, 5u);
    EXPECT_EQ(a->lastWrite,
              platform::FileTimeFromUnix(st.st_mtim.tv_sec, uint32_t(st.st_mtim.tv_nsec)));

    // "*.*" matches every name, with or without a dot, "." and ".." included.
    auto all = Records(Run(HC_HD_DIR, Counted(u"\\*.*")));
    EXPECT_EQ(Names(all), (std::set<std::u16string>{u".", u"..", u"a.txt", u"B.TXT", u"c.doc",
                                                    u"noext", u"sub"}));
    const Record* sub = Find(all, u"sub");
    ASSERT_TRUE(sub);
    EXPECT_EQ(sub->attributes, platform::kAttrDirectory);  // HASSUBDIRS left as reported
    EXPECT_EQ(sub->size, 0u);

    // A folder's own path finds its own entry.
    EXPECT_EQ(Names(Records(Run(HC_HD_DIR, Counted(u"\\SUB")))), std::set<std::u16string>{u"sub"});
    // Nothing matching, an empty match in an empty folder, a missing folder:
    // status 0 and no packed part.
    EXPECT_EQ(Run(HC_HD_DIR, Counted(u"\\*.xyz")), kFailed);
    EXPECT_EQ(Run(HC_HD_DIR, Counted(u"\\sub\\*.txt")), kFailed);
    EXPECT_EQ(Run(HC_HD_DIR, Counted(u"\\missing\\*.*")), kFailed);
}

TEST_P(FileServiceTest, DirTreeListsFoldersWithHasSubdirs) {
    fs::create_directories(P("filesOnly"));
    WriteFile(P("filesOnly/x.txt"), "x");
    fs::create_directories(P("nested/inner"));
    WriteFile(P("top.txt"), "t");

    auto tree = Records(Run(HC_HD_DIRTREE, Counted(u"\\*.*")));
    for (auto& r : tree) EXPECT_TRUE(r.attributes & platform::kAttrDirectory);
    EXPECT_FALSE(Find(tree, u"top.txt"));
    const Record* filesOnly = Find(tree, u"filesOnly");
    const Record* nested = Find(tree, u"nested");
    ASSERT_TRUE(filesOnly && nested);
    EXPECT_EQ(filesOnly->attributes, platform::kAttrDirectory);
    EXPECT_EQ(nested->attributes, platform::kAttrDirectory | kAttrHasSubdirs);
    // One level down: the child pattern is built from the request's own.
    auto inner = Records(Run(HC_HD_DIRTREE, Counted(u"\\nested\\*.*")));
    ASSERT_TRUE(Find(inner, u"inner"));
    EXPECT_EQ(Find(inner, u"inner")->attributes, platform::kAttrDirectory);

    // A plain listing leaves the bit as the file system reports it.
    EXPECT_EQ(Find(Records(Run(HC_HD_DIR, Counted(u"\\*.*"))), u"nested")->attributes,
              platform::kAttrDirectory);

    EXPECT_EQ(Run(HC_HD_HASCHILDDIRS, Counted(u"\\nested\\*.*")), kOk);
    EXPECT_EQ(Run(HC_HD_HASCHILDDIRS, Counted(u"\\nested\\inner\\*.*")), kFailed);
    EXPECT_EQ(Run(HC_HD_HASCHILDDIRS, Counted(u"\\*.*")), kOk);
    EXPECT_EQ(Run(HC_HD_HASCHILDDIRS, Counted(u"\\filesOnly\\*.*")), kFailed);
    EXPECT_EQ(Run(HC_HD_HASCHILDDIRS, Counted(u"\\missing\\*.*")), kFailed);
}

TEST_P(FileServiceTest, DeleteMakeAndRemoveFolders) {
    EXPECT_EQ(Run(HC_HD_MKDIR, Field(u"\\New")), kOk);
    EXPECT_TRUE(fs::is_directory(P("New")));
    EXPECT_EQ(Run(HC_HD_MKDIR, Field(u"\\new")), kFailed);  // exists in another case
    EXPECT_EQ(Run(HC_HD_MKDIR, Field(u"\\a*b")), kFailed);  // no wildcards in names
    EXPECT_EQ(Run(HC_HD_MKDIR, Field(u"\\missing\\x")), kFailed);

    WriteFile(P("New/f.txt"), "f");
    EXPECT_EQ(Run(HC_HD_RMDIR, Field(u"\\new")), kFailed);  // not empty
    EXPECT_EQ(Run(HC_HD_DEL, Field(u"\\NEW\\F.TXT")), kOk);
    EXPECT_FALSE(Exists(P("New/f.txt")));
    EXPECT_EQ(Run(HC_HD_DEL, Field(u"\\New\\f.txt")), kFailed);  // already gone
    EXPECT_EQ(Run(HC_HD_DEL, Field(u"\\New")), kFailed);         // a folder
    EXPECT_TRUE(fs::is_directory(P("New")));
    EXPECT_EQ(Run(HC_HD_RMDIR, Field(u"\\New")), kOk);
    EXPECT_FALSE(Exists(P("New")));
    EXPECT_EQ(Run(HC_HD_RMDIR, Field(u"\\")), kFailed);  // never the root
    EXPECT_TRUE(fs::is_directory(dirs.root));
}

TEST_P(FileServiceTest, CopyHonoursTheOverwriteByte) {
    WriteFile(P("a.txt"), "A");
    WriteFile(P("b.txt"), "B");
    EXPECT_EQ(Run(HC_HD2HD_COPY, Two(Field(u"\\a.txt"), Field(u"\\b.txt"), {0, 0})), kFailed);
    EXPECT_EQ(ReadFile(P("b.txt")), "B");
    EXPECT_EQ(Run(HC_HD2HD_COPY, Two(Field(u"\\a.txt"), Field(u"\\B.TXT"), {1, 0})), kOk);
    EXPECT_EQ(ReadFile(P("b.txt")), "A");
    EXPECT_FALSE(Exists(P("B.TXT")));
    EXPECT_EQ(Run(HC_HD2HD_COPY, Two(Field(u"\\A.txt"), Field(u"\\c.txt"), {0, 0})), kOk);
    EXPECT_EQ(ReadFile(P("c.txt")), "A");
    // Onto itself: refused, and the source is not truncated on the way.
    EXPECT_EQ(Run(HC_HD2HD_COPY, Two(Field(u"\\a.txt"), Field(u"\\A.TXT"), {1, 0})), kFailed);
    EXPECT_EQ(ReadFile(P("a.txt")), "A");
    fs::create_directory(P("d"));
    EXPECT_EQ(Run(HC_HD2HD_COPY, Two(Field(u"\\d"), Field(u"\\e"), {1, 0})), kFailed);
}

TEST_P(FileServiceTest, RenameNeverReplaces) {
    WriteFile(P("a.txt"), "A");
    WriteFile(P("b.txt"), "B");
    fs::create_directory(P("sub"));
    EXPECT_EQ(Run(HC_HD_RENAME, Two(Field(u"\\a.txt"), Field(u"\\b.txt"))), kFailed);
    EXPECT_EQ(Run(HC_HD_RENAME, Two(Field(u"\\a.txt"), Field(u"\\B.TXT"))), kFailed);
    EXPECT_EQ(ReadFile(P("a.txt")), "A");
    EXPECT_EQ(ReadFile(P("b.txt")), "B");
    // A move into another folder, and a change of letter case only.
    EXPECT_EQ(Run(HC_HD_RENAME, Two(Field(u"\\A.TXT"), Field(u"\\Sub\\a2.txt"))), kOk);
    EXPECT_EQ(ReadFile(P("sub/a2.txt")), "A");
    EXPECT_FALSE(Exists(P("a.txt")));
    EXPECT_EQ(Run(HC_HD_RENAME, Two(Field(u"\\b.txt"), Field(u"\\B.TXT"))), kOk);
    EXPECT_EQ(ReadFile(P("B.TXT")), "B");
    EXPECT_FALSE(Exists(P("b.txt")));
    EXPECT_EQ(Run(HC_HD_RENAME, Two(Field(u"\\sub"), Field(u"\\sub\\inside"))), kFailed);
    EXPECT_EQ(Run(HC_HD_RENAME, Two(Field(u"\\missing"), Field(u"\\x"))), kFailed);
}

TEST_P(FileServiceTest, SendFileCreatesOrReplaces) {
    EXPECT_EQ(Run(HC_SEND_FILE, SendRequest(u"\\new.bin", 5, "hello")), kOk);
    EXPECT_EQ(ReadFile(P("new.bin")), "hello");
    // An existing file in another letter case is replaced, not doubled.
    EXPECT_EQ(Run(HC_SEND_FILE, SendRequest(u"\\NEW.BIN", 2, "xyz")), kOk);
    EXPECT_EQ(ReadFile(P("new.bin")), "xy");
    EXPECT_FALSE(Exists(P("NEW.BIN")));
    EXPECT_EQ(Run(HC_SEND_FILE, SendRequest(u"\\new.bin", 0, "")), kOk);
    EXPECT_EQ(ReadFile(P("new.bin")), "");
    EXPECT_TRUE(Exists(P("new.bin")));
    EXPECT_EQ(Run(HC_SEND_FILE, SendRequest(u"\\nowhere\\f", 1, "x")), kFailed);
}

TEST_P(FileServiceTest, SendFileRefusesASizePastTheData) {
    LogCapture logs;
    WriteFile(P("keep.txt"), "original");
    EXPECT_EQ(Run(HC_SEND_FILE, SendRequest(u"\\keep.txt", 100, "short")), kFailed);
    EXPECT_EQ(ReadFile(P("keep.txt")), "original");  // not even truncated
    EXPECT_EQ(Run(HC_SEND_FILE, SendRequest(u"\\new.txt", 0xFFFFFFFF, "x")), kFailed);
    EXPECT_FALSE(Exists(P("new.txt")));
    EXPECT_TRUE(logs.HasForced("DM::SendFile:Error file size"));
    // Shorter than its 524-byte header.
    EXPECT_EQ(Run(HC_SEND_FILE, Packed(Bytes(100, 'a'))), kFailed);
}

TEST_P(FileServiceTest, GetFileSendsTheWholeFile) {
    std::string data(70000, '\0');
    uint32_t x = 7;
    for (auto& c : data) c = char((x = x * 1103515245 + 12345) >> 16);
    WriteFile(P("data.bin"), data);
    Bytes reply = Run(HC_GET_FILE, Field(u"\\DATA.BIN"));
    Bytes body;
    ASSERT_FALSE(reply.empty());
    ASSERT_EQ(reply[0], 1);
    ASSERT_TRUE(Unpack(reply, 1, body));
    ASSERT_EQ(body.size(), 4 + data.size());
    EXPECT_EQ(get_be32(body.data()), data.size());  // the size, big-endian
    EXPECT_EQ(std::string(body.begin() + 4, body.end()), data);

    WriteFile(P("empty"), "");
    reply = Run(HC_GET_FILE, Field(u"\\empty"));
    ASSERT_EQ(reply[0], 1);
    ASSERT_TRUE(Unpack(reply, 1, body));
    EXPECT_EQ(body, (Bytes{0, 0, 0, 0}));

    EXPECT_EQ(Run(HC_GET_FILE, Field(u"\\missing")), kFailed);  // and nothing more
    fs::create_directory(P("dir"));
    EXPECT_EQ(Run(HC_GET_FILE, Field(u"\\dir")), kFailed);
    ::mkfifo(P("fifo").c_str(), 0600);  // must not block the command thread
    EXPECT_EQ(Run(HC_GET_FILE, Field(u"\\fifo")), kFailed);
}

TEST_P(FileServiceTest, FilesTooLargeForTheWireAreRefusedNotCut) {
    // Sparse files: no disk space, no memory is taken.
    const uint64_t fourGiB = uint64_t(1) << 32;
    WriteFile(P("huge.bin"), "");
    ASSERT_EQ(::truncate(P("huge.bin").c_str(), off_t(fourGiB + 3)), 0);
    CeilingGuard guard;
    const uint32_t ceiling = guard.saved;
    Channel::SetTransferCeiling(UINT32_MAX);
    EXPECT_EQ(Run(HC_GET_FILE, Field(u"\\huge.bin")), kFailed);
    Channel::SetTransferCeiling(ceiling);
    auto records = Records(Run(HC_HD_DIR, Counted(u"\\huge.bin")));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].size, fourGiB + 3);  // both size words

    // Past the desktop's transfer ceiling: refused before anything is read.
    WriteFile(P("big.bin"), "");
    ASSERT_EQ(::truncate(P("big.bin").c_str(), off_t(ceiling)), 0);
    EXPECT_EQ(Run(HC_GET_FILE, Field(u"\\big.bin")), kFailed);

    // A listing or clipboard text past the ceiling is refused, not cut.
    EXPECT_EQ(Run(HC_SET_CLIPTEXT, Packed(Bytes(2000, 'x'))), kOk);
    Channel::SetTransferCeiling(1000);
    EXPECT_EQ(Run(HC_HD_DIR, Counted(u"\\*.*")), kFailed);  // 4 records
    EXPECT_EQ(Run(HC_GET_CLIPTEXT, {}), kFailed);
    Channel::SetTransferCeiling(ceiling);
    EXPECT_EQ(Records(Run(HC_HD_DIR, Counted(u"\\*.*"))).size(), 4u);
}

TEST_P(FileServiceTest, NoPathLeavesTheRoot) {
    ASSERT_EQ(::symlink(dirs.outside.c_str(), P("out").c_str()), 0);
    ASSERT_EQ(::symlink((dirs.outside + "/secret.txt").c_str(), P("passwd").c_str()), 0);
    ASSERT_EQ(::symlink("../outside", P("rel").c_str()), 0);
    WriteFile(P("a.txt"), "A");
    const std::u16string outsideAbs =
        u"\\" + std::u16string(dirs.outside.begin() + 1, dirs.outside.end()) + u"\\secret.txt";

    for (const std::u16string& path :
         std::vector<std::u16string>{u"..\\..\\etc\\passwd", u"\\..\\outside\\secret.txt",
                                     u"\\a\\..\\..\\outside\\secret.txt", u"/../outside/secret.txt",
                                     outsideAbs, u"\\out\\secret.txt", u"\\rel\\secret.txt",
                                     u"\\passwd", u"C:\\..\\outside\\secret.txt"}) {
        SCOPED_TRACE(std::string(path.begin(), path.end()));
        EXPECT_EQ(Run(HC_GET_FILE, Field(path)), kFailed);
        EXPECT_EQ(Run(HC_HD2HD_COPY, Two(Field(path), Field(u"\\copy.txt"), {1, 0})), kFailed);
        EXPECT_FALSE(Exists(P("copy.txt")));
    }
    for (const std::u16string& pattern :
         std::vector<std::u16string>{u"\\..\\*.*", u"\\out\\*.*", u"\\rel\\*.*", u"..\\*"}) {
        EXPECT_EQ(Run(HC_HD_DIR, Counted(pattern)), kFailed);
        EXPECT_EQ(Run(HC_HD_HASCHILDDIRS, Counted(pattern)), kFailed);
    }
    EXPECT_EQ(Run(HC_HD_CD, Counted(u"\\out")), kFailed);
    EXPECT_EQ(Run(HC_HD_CD, Counted(u"\\..")), kFailed);

    // Nothing is written, made, moved or removed out there.
    EXPECT_EQ(Run(HC_SEND_FILE, SendRequest(u"\\out\\new.txt", 1, "x")), kFailed);
    EXPECT_EQ(Run(HC_SEND_FILE, SendRequest(u"\\..\\outside\\new.txt", 1, "x")), kFailed);
    EXPECT_EQ(Run(HC_SEND_FILE, SendRequest(u"\\passwd", 1, "x")), kFailed);
    EXPECT_EQ(Run(HC_HD_MKDIR, Field(u"\\out\\made")), kFailed);
    EXPECT_EQ(Run(HC_HD_DEL, Field(u"\\out\\secret.txt")), kFailed);
    EXPECT_EQ(Run(HC_HD_DEL, Field(u"\\..\\outside\\secret.txt")), kFailed);
    EXPECT_EQ(Run(HC_HD_RMDIR, Field(u"\\out")), kFailed);
    EXPECT_EQ(Run(HC_HD2HD_COPY, Two(Field(u"\\a.txt"), Field(u"\\out\\a.txt"), {1, 0})), kFailed);
    EXPECT_EQ(Run(HC_HD_RENAME, Two(Field(u"\\a.txt"), Field(u"\\out\\a.txt"))), kFailed);
    EXPECT_EQ(Run(HC_HD_RENAME, Two(Field(u"\\a.txt"), Field(u"\\..\\a.txt"))), kFailed);
    EXPECT_EQ(Run(HC_HD_RENAME, Two(Field(u"\\out\\secret.txt"), Field(u"\\got.txt"))), kFailed);
    EXPECT_EQ(ReadFile(dirs.outside + "/secret.txt"), "secret");
    EXPECT_EQ(std::distance(fs::directory_iterator(dirs.outside), fs::directory_iterator()), 1);
    EXPECT_EQ(std::distance(fs::directory_iterator(dirs.base), fs::directory_iterator()), 2);
    EXPECT_EQ(ReadFile(P("a.txt")), "A");
}

TEST_P(FileServiceTest, AFileSwappedForALinkAfterListingIsNotFollowed) {
    WriteFile(P("report.txt"), "mine");
    fs::create_directory(P("docs"));
    WriteFile(P("docs/secret.txt"), "mine too");
    EXPECT_EQ(Names(Records(Run(HC_HD_DIR, Counted(u"\\*.txt")))),
              std::set<std::u16string>{u"report.txt"});

    // Between the listing and the fetch the file, and then a folder on the
    // path, become links that lead out of the root.
    ASSERT_EQ(::unlink(P("report.txt").c_str()), 0);
    ASSERT_EQ(::symlink((dirs.outside + "/secret.txt").c_str(), P("report.txt").c_str()), 0);
    EXPECT_EQ(Run(HC_GET_FILE, Field(u"\\report.txt")), kFailed);
    fs::rename(P("docs"), P("docs.old"));
    ASSERT_EQ(::symlink(dirs.outside.c_str(), P("docs").c_str()), 0);
    EXPECT_EQ(Run(HC_GET_FILE, Field(u"\\docs\\secret.txt")), kFailed);
    EXPECT_EQ(Run(HC_SEND_FILE, SendRequest(u"\\docs\\secret.txt", 1, "x")), kFailed);
    EXPECT_EQ(ReadFile(dirs.outside + "/secret.txt"), "secret");
}

TEST_P(FileServiceTest, LinksThatStayInsideTheRoot) {
    fs::create_directory(P("real"));
    WriteFile(P("real/x.txt"), "x");
    ASSERT_EQ(::symlink("real", P("alias").c_str()), 0);
    const Bytes reply = Run(HC_GET_FILE, Field(u"\\alias\\x.txt"));
    // Followed with openat2, which keeps them beneath the root; the walk
    // without it follows no link at all.
    ASSERT_FALSE(reply.empty());
    EXPECT_EQ(reply[0], posix->FollowsLinksInsideRoot() ? 1 : 0);
}

TEST_P(FileServiceTest, PathsEndInsideTheHandheldBuffer) {
    // 255 units and no NUL: read whole, used as they are.
    Bytes counted{255};
    for (int i = 0; i < 255; ++i) counted.push_back('a'), counted.push_back(0);
    EXPECT_EQ(Run(HC_HD_CD, counted), kFailed);

    // A fixed field with no NUL at all is cut to 259 units.
    const std::string x(200, 'x');
    fs::create_directory(P(x));
    std::u16string path = u"\\" + std::u16string(200, u'x') + u"\\" + std::u16string(58, u'y');
    ASSERT_EQ(path.size(), 260u);
    EXPECT_EQ(Run(HC_HD_MKDIR, Field(path)), kOk);
    EXPECT_TRUE(fs::is_directory(P(x + "/" + std::string(57, 'y'))));
    // A lone surrogate is no name.
    EXPECT_EQ(Run(HC_HD_MKDIR, Field(u"\\bad\xD800")), kFailed);
}

TEST_P(FileServiceTest, ClipboardTextRoundTrip) {
    EXPECT_EQ(Run(HC_GET_CLIPTEXT, {}), kFailed);
    const std::u16string text = u"Gr\u00fc\u00dfe, \u4e16\u754c \U0001F642\r\nline 2";
    Bytes sent = Utf16Bytes(text);
    sent.push_back(0), sent.push_back(0);
    EXPECT_EQ(Run(HC_SET_CLIPTEXT, Packed(sent)), kOk);
    Bytes reply = Run(HC_GET_CLIPTEXT, {}), got;
    ASSERT_FALSE(reply.empty());
    EXPECT_EQ(reply[0], 1);
    ASSERT_TRUE(Unpack(reply, 1, got));
    EXPECT_EQ(got, sent);

    EXPECT_EQ(Run(HC_SET_CLIPTEXT, Packed({})), kOk);
    EXPECT_EQ(Run(HC_GET_CLIPTEXT, {}), kFailed);  // an empty block is no text
}

INSTANTIATE_TEST_SUITE_P(Resolve, FileServiceTest,
                         ::testing::Values(RootFolder::Mode::Auto, RootFolder::Mode::ComponentWalk),
                         [](const auto& info) {
                             return info.param == RootFolder::Mode::Auto ? "Auto" : "Walk";
                         });

// Requests that cannot be read get no reply at all.
TEST(FileServiceRequests, UnreadableRequestsGetNoReply) {
    TempFolders dirs;
    FileService dm(std::make_unique<platform::PosixFiles>(dirs.root),
                   std::make_unique<platform::MemoryClipboard>());
    struct Case {
        uint8_t code;
        Bytes partial;
        const char* line;
    };
    const std::vector<Case> cases = {
        {HC_HD_CD, {}, "DM::GetLen:Error reading length"},
        {HC_HD_CD, {3, 'a', 0}, "DM::Cd:Error retrieving dir"},
        {HC_HD_DIR, {3, 'a', 0}, "DM::Dir:Error retrieving dir"},
        {HC_HD_DIRTREE, {3}, "DM::GetLen:Error reading path"},
        {HC_HD_HASCHILDDIRS, {}, "DM::HasChildDirs:Error retrieving dir"},
        {HC_HD_DEL, Bytes(519, 0), "DM::Del:Error reading HC_HD_DEL"},
        {HC_HD_MKDIR, {}, "DM::MkDir:Error reading HC_HD_MKDIR"},
        {HC_HD_RMDIR, Bytes(100), "DM::RmDir:Error reading HC_HD_RMDIR"},
        {HC_HD2HD_COPY, Bytes(1041), "DM::Hd2HdCopy:Error reading HC_HD2HD_COPY"},
        {HC_HD_RENAME, Bytes(1039), "DM::RenameFile:Error reading HC_HD_RENAME"},
        {HC_GET_FILE, Bytes(10), "DM::GetFile:Error reading HC_GET_FILE pkt"},
        {HC_SEND_FILE, {0, 0, 0, 9, 0, 0, 2}, "DM::SendFile:Error receiving the file"},
        {HC_SET_CLIPTEXT, {}, "DM::SetClipText:Error receiving the text"},
    };
    for (const Case& c : cases) {
        LogCapture logs;
        FakeStream s;
        if (!c.partial.empty()) s.AddBytes(c.partial);
        s.AddFailure();
        Channel channel(&s);
        EXPECT_FALSE(dm.Handle(c.code, channel)) << c.line;
        EXPECT_TRUE(s.Written().empty()) << c.line;
        EXPECT_TRUE(logs.HasForced(c.line)) << c.line;
    }

    // A reply that cannot be written is logged.
    LogCapture logs;
    FakeStream s;
    s.AddBytes(Counted(u"\\*.*"));
    s.FailWritesAfter(0);
    Channel channel(&s);
    EXPECT_FALSE(dm.Handle(HC_HD_DIR, channel));
    EXPECT_TRUE(logs.HasForced("DM::Dir:Error writing ret"));
}

}  // namespace
}  // namespace hd
