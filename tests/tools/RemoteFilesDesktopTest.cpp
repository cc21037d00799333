// The file client's desktop branch: POSIX paths, the 320-byte records with
// the same rules as the handheld's, and copies that never leave a cut file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "desktop/tools/files/RemoteFiles.h"
#include "tools/RemoteFilesRig.h"

namespace hd::tools {
namespace {

using hd::test::TempFolders;
using test::WireRig;

std::vector<std::string> Names(const RecordList& list) {
    std::vector<std::string> names;
    for (size_t i = 0; i < list.Count(); ++i) names.push_back(list.At(i).Name());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(RemoteFilesDesktop, ListingsLikeTheHandheld) {
    TempFolders t;
    const std::string b = t.base;
    std::filesystem::create_directories(b + "/d/leaf");
    std::filesystem::create_directories(b + "/flat");
    hd::test::WriteFile(b + "/flat/f.txt", "x");
    hd::test::WriteFile(b + "/a.txt", "12345");
    hd::test::WriteFile(b + "/.hidden", "");
    ASSERT_EQ(::symlink(b.c_str(), (b + "/loop").c_str()), 0);
    WireRig r;  // desktop paths never touch the channel
    RecordList list;

    ASSERT_TRUE(RemoteFiles::ReadRecs(r.hc, b + "/", list));
    EXPECT_FALSE(list.IsDevice());
    EXPECT_EQ(Names(list), (std::vector<std::string>{".", "..", ".hidden", "a.txt", "d", "flat",
                                                     "loop", "outside", "root"}));
    for (size_t i = 0; i < list.Count(); ++i) {
        const FileRecord rec = list.At(i);
        EXPECT_EQ(rec.RecordSize(), 320u);
        if (rec.Name() == "a.txt") {
            EXPECT_EQ(rec.FileSize(), 5u);
        }
        if (rec.Name() == ".hidden") {
            EXPECT_TRUE(rec.Attributes() & kAttrHidden);
        }
        // A link is never a folder to recurse into.
        if (rec.Name() == "loop") {
            EXPECT_FALSE(rec.IsDirectory());
        }
    }
    // A pattern in the last element; a folder path without its separator
    // names the folder's own entry.
    ASSERT_TRUE(RemoteFiles::ReadRecs(r.hc, b + "/*.txt", list));
    EXPECT_EQ(Names(list), std::vector<std::string>{"a.txt"});
    ASSERT_TRUE(RemoteFiles::ReadRecs(r.hc, b + "/d", list));
    ASSERT_EQ(list.Count(), 1u);
    EXPECT_TRUE(list.At(0).IsDirectory());
    EXPECT_EQ(list.At(0).Name(), "d");
    EXPECT_FALSE(RemoteFiles::ReadRecs(r.hc, b + "/*.none", list));
    EXPECT_FALSE(RemoteFiles::ReadRecs(r.hc, b + "/missing/", list));

    // Directories only, each with HASSUBDIRS when it has a real subfolder.
    ASSERT_TRUE(RemoteFiles::ReadRecs(r.hc, b + "/*.*", list, true));
    for (size_t i = 0; i < list.Count(); ++i) {
        const FileRecord rec = list.At(i);
        EXPECT_TRUE(rec.IsDirectory()) << rec.Name();
        if (rec.Name() == "d") {
            EXPECT_TRUE(rec.HasSubdirs());
        }
        if (rec.Name() == "flat") {
            EXPECT_FALSE(rec.HasSubdirs());
        }
    }
    bool has = false;
    ASSERT_TRUE(RemoteFiles::HasChildDirs(r.hc, b + "/d/", has));
    EXPECT_TRUE(has);
    ASSERT_TRUE(RemoteFiles::HasChildDirs(r.hc, b + "/flat/", has));
    EXPECT_FALSE(has);
    EXPECT_FALSE(RemoteFiles::HasChildDirs(r.hc, b + "/missing/", has));
    EXPECT_TRUE(r.stream.Written().empty());
}

TEST(RemoteFilesDesktop, OperationsCompleteWithTheirOutcome) {
    TempFolders t;
    const std::string b = t.base;
    WireRig r;
    bool ok = false;
    ASSERT_TRUE(RemoteFiles::MkDir(r.hc, b + "/n", ok));
    EXPECT_TRUE(ok);
    ASSERT_TRUE(RemoteFiles::MkDir(r.hc, b + "/n", ok));
    EXPECT_FALSE(ok);
    EXPECT_NE(RemoteFiles::LastError().find("File exists"), std::string::npos);
    hd::test::WriteFile(b + "/n/f", "f");
    ASSERT_TRUE(RemoteFiles::RmDir(r.hc, b + "/n", ok));
    EXPECT_FALSE(ok);  // not empty
    // A rename fails on an existing destination, as on the handheld.
    hd::test::WriteFile(b + "/g", "g");
    ASSERT_TRUE(RemoteFiles::RenameFile(r.hc, b + "/g", b + "/n/f", ok));
    EXPECT_FALSE(ok);
    EXPECT_EQ(hd::test::ReadFile(b + "/n/f"), "f");
    ASSERT_TRUE(RemoteFiles::RenameFile(r.hc, b + "/g", b + "/n/g", ok));
    EXPECT_TRUE(ok);
    ASSERT_TRUE(RemoteFiles::FileDelete(r.hc, b + "/n", ok));
    EXPECT_FALSE(ok);  // a folder is not a file
    ASSERT_TRUE(RemoteFiles::FileDelete(r.hc, b + "/n/f", ok));
    EXPECT_TRUE(ok);

    bool found = false;
    FileRecord rec;
    ASSERT_TRUE(RemoteFiles::GetFileInfo(r.hc, b + "/n/g", found, rec));
    EXPECT_TRUE(found);
    EXPECT_EQ(rec.Name(), "g");
    EXPECT_EQ(rec.FileSize(), 1u);
    struct stat st {};
    ::stat((b + "/n/g").c_str(), &st);
    EXPECT_EQ(UnixFromFileTime(rec.LastWriteTime()), st.st_mtim.tv_sec);
    ASSERT_TRUE(RemoteFiles::GetFileInfo(r.hc, b + "/n/", found, rec));
    EXPECT_TRUE(found);
    EXPECT_TRUE(rec.IsDirectory());
    ASSERT_TRUE(RemoteFiles::GetFileInfo(r.hc, b + "/n/none", found, rec));
    EXPECT_FALSE(found);
}

TEST(RemoteFilesDesktop, DesktopCopyReplacesWholeOrNotAtAll) {
    TempFolders t;
    const std::string b = t.base;
    WireRig r;
    std::string content(3 << 20, 'z');
    content[12345] = 'q';
    hd::test::WriteFile(b + "/src", content);
    hd::test::WriteFile(b + "/dst", "old");
    ASSERT_TRUE(RemoteFiles::FileCopy(r.hc, b + "/src", b + "/dst", false));
    EXPECT_EQ(hd::test::ReadFile(b + "/dst"), content);
    // A source that is not a regular file is refused, the destination kept.
    ::mkfifo((b + "/fifo").c_str(), 0600);
    EXPECT_FALSE(RemoteFiles::FileCopy(r.hc, b + "/fifo", b + "/dst", false));
    EXPECT_FALSE(RemoteFiles::FileCopy(r.hc, b + "/missing", b + "/dst", false));
    EXPECT_EQ(hd::test::ReadFile(b + "/dst"), content);
    // Copying onto a folder fails and leaves no temporary file behind.
    std::filesystem::create_directory(b + "/folder");
    EXPECT_FALSE(RemoteFiles::FileCopy(r.hc, b + "/src", b + "/folder", false));
    size_t files = 0;
    for (auto& e : std::filesystem::directory_iterator(b)) files += e.is_regular_file();
    EXPECT_EQ(files, 2u);  // src and dst
}

}  // namespace
}  // namespace hd::tools
