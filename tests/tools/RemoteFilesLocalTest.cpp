// The file client against the real agent and its virtual handheld, loaded
// in-process through the local link: copies in all four directions checked
// byte for byte, and clipboard text both ways.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "desktop/tools/files/RemoteFiles.h"
#include "tools/RemoteFilesRig.h"

namespace hd::tools {
namespace {

using test::LocalRig;
using test::ReadFile;
using test::WriteFile;

std::string Noise(size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (char& c : s) c = char(gen());
    return s;
}

TEST(RemoteFilesLocal, CopiesInAllFourDirectionsKeepEveryByte) {
    LocalRig r;
    ASSERT_TRUE(r.connected);
    desktop::DesktopChannel& hc = *r.hc;
    const std::string content = Noise(1 << 20, 1) + "end";
    WriteFile(r.desk + "/in.bin", content);
    bool ok = false;
    ASSERT_TRUE(RemoteFiles::MkDir(hc, "1:\\My Documents", ok));
    ASSERT_TRUE(ok);

    // desktop -> handheld
    ASSERT_TRUE(RemoteFiles::FileCopy(hc, r.desk + "/in.bin", "1:\\My Documents\\a.bin", false));
    EXPECT_EQ(ReadFile(r.OnDevice("My Documents/a.bin")), content);
    // handheld -> handheld
    ASSERT_TRUE(RemoteFiles::FileCopy(hc, "1:\\My Documents\\a.bin", "1:\\b.bin", false));
    EXPECT_EQ(ReadFile(r.OnDevice("b.bin")), content);
    // handheld -> desktop
    ASSERT_TRUE(RemoteFiles::FileCopy(hc, "1:\\b.bin", r.desk + "/out.bin", false));
    EXPECT_EQ(ReadFile(r.desk + "/out.bin"), content);
    // desktop -> desktop
    ASSERT_TRUE(RemoteFiles::FileCopy(hc, r.desk + "/out.bin", r.desk + "/again.bin", false));
    EXPECT_EQ(ReadFile(r.desk + "/again.bin"), content);

    // Only the in-handheld copy honours the overwrite flag.
    WriteFile(r.desk + "/small.txt", "small");
    EXPECT_FALSE(RemoteFiles::FileCopy(hc, "1:\\My Documents\\a.bin", "1:\\b.bin", false));
    EXPECT_EQ(ReadFile(r.OnDevice("b.bin")), content);
    ASSERT_TRUE(RemoteFiles::FileCopy(hc, r.desk + "/small.txt", "1:\\b.bin", false));
    EXPECT_EQ(ReadFile(r.OnDevice("b.bin")), "small");
    ASSERT_TRUE(RemoteFiles::FileCopy(hc, "1:\\My Documents\\a.bin", "1:\\b.bin", true));
    EXPECT_EQ(ReadFile(r.OnDevice("b.bin")), content);

    // Empty files both ways.
    WriteFile(r.desk + "/empty", "");
    ASSERT_TRUE(RemoteFiles::FileCopy(hc, r.desk + "/empty", "1:\\b.bin", false));
    EXPECT_EQ(ReadFile(r.OnDevice("b.bin")), "");
    ASSERT_TRUE(RemoteFiles::FileCopy(hc, "1:\\b.bin", r.desk + "/out.bin", false));
    EXPECT_EQ(ReadFile(r.desk + "/out.bin"), "");
    // A missing handheld file leaves the desktop file as it was.
    WriteFile(r.desk + "/keep", "keep");
    EXPECT_FALSE(RemoteFiles::FileCopy(hc, "1:\\none.bin", r.desk + "/keep", false));
    EXPECT_EQ(ReadFile(r.desk + "/keep"), "keep");
    // The channel is still in step.
    bool exists = false;
    ASSERT_TRUE(RemoteFiles::Cd(hc, "\\My Documents", exists));
    EXPECT_TRUE(exists);
}

TEST(RemoteFilesLocal, ListingsAndLookupsOnTheHandheld) {
    LocalRig r;
    ASSERT_TRUE(r.connected);
    desktop::DesktopChannel& hc = *r.hc;
    std::filesystem::create_directories(r.OnDevice("Empty"));
    std::filesystem::create_directories(r.OnDevice("Tree/Sub"));
    WriteFile(r.OnDevice("Tree/f.txt"), "0123456789");
    RecordList list;
    // The handheld's folders list "." and ".." and nothing else when empty.
    RemoteFiles::ReadRecs(hc, "1:\\Empty\\", list);
    for (size_t i = 0; i < list.Count(); ++i)
        EXPECT_TRUE(list.At(i).Name() == "." || list.At(i).Name() == "..") << list.At(i).Name();
    EXPECT_FALSE(RemoteFiles::ReadRecs(hc, "1:\\Missing\\", list));
    ASSERT_TRUE(RemoteFiles::ReadRecs(hc, "1:\\", list, true));
    for (size_t i = 0; i < list.Count(); ++i) {
        const FileRecord rec = list.At(i);
        EXPECT_TRUE(rec.IsDirectory());
        if (rec.Name() != "." && rec.Name() != "..") {
            EXPECT_EQ(rec.HasSubdirs(), rec.Name() == "Tree") << rec.Name();
        }
    }
    bool found = false;
    FileRecord rec;
    ASSERT_TRUE(RemoteFiles::GetFileInfo(hc, "1:\\Tree\\f.txt", found, rec));
    EXPECT_TRUE(found);
    EXPECT_TRUE(rec.IsDevice());
    EXPECT_EQ(rec.FileSize(), 10u);
    ASSERT_TRUE(RemoteFiles::GetFileInfo(hc, "1:\\Tree", found, rec));
    EXPECT_TRUE(found && rec.IsDirectory());
    EXPECT_FALSE(RemoteFiles::GetFileInfo(hc, "1:\\Tree\\none", found, rec));
    bool ok = false;
    ASSERT_TRUE(RemoteFiles::RmDir(hc, "1:\\Tree", ok));
    EXPECT_FALSE(ok);
    ASSERT_TRUE(RemoteFiles::RenameFile(hc, "1:\\Tree\\f.txt", "1:\\Empty\\g.txt", ok));
    EXPECT_TRUE(ok);
    EXPECT_EQ(ReadFile(r.OnDevice("Empty/g.txt")), "0123456789");
}

TEST(RemoteFilesLocal, ClipboardTextRoundTrip) {
    LocalRig r;
    ASSERT_TRUE(r.connected);
    MemoryClipboard desk, back;
    const std::string text =
        "Gr\xC3\xBC\xC3\x9F"
        "e \xE2\x82\xAC \xF0\x9F\x98\x80\nline";
    desk.SetText(text);
    bool accepted = false, got = false;
    ASSERT_TRUE(RemoteFiles::SetClipText(*r.hc, desk, accepted));
    EXPECT_TRUE(accepted);
    ASSERT_TRUE(RemoteFiles::GetClipText(*r.hc, back, got));
    EXPECT_TRUE(got);
    EXPECT_EQ(back.Text(), text);
}

}  // namespace
}  // namespace hd::tools
