// The explorer's rows: which entries show, their type names, and the order
// of every column in both directions; the tree's roots in their order.
#include <gtest/gtest.h>

#include "desktop/tools/explorer/ExplorerRoots.h"
#include "desktop/tools/explorer/ExplorerRows.h"

namespace hd::tools {
namespace {

ExplorerRow Row(const char* name, uint32_t attributes, uint64_t size, uint64_t time,
                const char* type = "") {
    ExplorerRow r;
    r.name = name;
    r.attributes = attributes;
    r.size = size;
    r.lastWrite = time;
    r.type = *type ? type : (attributes & kAttrDirectory ? kFolderType : "File");
    return r;
}

std::string Names(const std::vector<ExplorerRow>& rows) {
    std::string s;
    for (const ExplorerRow& r : rows) s += (s.empty() ? "" : " ") + r.name;
    return s;
}

TEST(ExplorerRows, ListingsBecomeRowsWithTypeNames) {
    const TypeLookup lookup = [](const std::string& ext) {
        return ext == ".txt" ? std::string("Text Document") : std::string();
    };
    RecordList list({}, true);
    for (const FileRecord& r :
         {FileRecord::Device(kAttrDirectory, 0, 0, 0, 0, "."),
          FileRecord::Device(kAttrDirectory, 0, 0, 0, 0, ".."),
          FileRecord::Device(kAttrDirectory | kAttrHasSubdirs, 0, 0, 0, 7, "Docs"),
          FileRecord::Device(kAttrArchive | kAttrSystem, 9, 0, 0, 0, "boot.sys"),
          FileRecord::Device(kAttrArchive, 5, 0, 0, 0, "a.TXT"),
          FileRecord::Device(kAttrArchive, 6, 0, 0, 0, "b.xyz"),
          FileRecord::Device(kAttrArchive, 7, 0, 0, 0, ".profile"),
          FileRecord::Device(kAttrArchive, 8, 0, 0, 0, "README")})
        list.Append(r);
    const std::vector<ExplorerRow> rows = RowsFromListing(list, lookup);
    EXPECT_EQ(Names(rows), "Docs a.TXT b.xyz .profile README");  // no system entry, no dots
    const char* types[] = {"File Folder", "Text Document", "XYZ File", "File", "File"};
    for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].type, types[i]) << rows[i].name;
    EXPECT_EQ(rows[0].attributes & kAttrHasSubdirs, 0u);
    EXPECT_EQ(SizeText(rows[0]), "");
    EXPECT_EQ(SizeText(rows[1]), "5");
    EXPECT_EQ(FileExtension(".profile"), "");
    EXPECT_EQ(FileExtension("a.tar.gz"), "gz");
}

TEST(ExplorerRows, EveryColumnSortsBothWays) {
    const std::vector<ExplorerRow> rows = {
        Row("b.txt", kAttrArchive, 30, 300, "Text"), Row("Zed", kAttrDirectory, 0, 100),
        Row("a.bin", kAttrArchive, 200, 50, "Binary"), Row("alpha", kAttrDirectory, 0, 400),
        Row("C.txt", kAttrArchive, 10, 200, "texts")};
    struct Case {
        int column;
        const char* ascending;
    } cases[] = {
        // Folders before files; names without regard to case.
        {kColumnName, "alpha Zed a.bin b.txt C.txt"},
        // Folders compare equal on size and keep their order.
        {kColumnSize, "Zed alpha C.txt b.txt a.bin"},
        // Folders by name, files by type without regard to case.
        {kColumnType, "alpha Zed a.bin b.txt C.txt"},
        // Time alone, folders and files mixed.
        {kColumnModified, "a.bin Zed C.txt b.txt alpha"},
    };
    for (const Case& c : cases) {
        std::vector<ExplorerRow> sorted = rows;
        SortRows(sorted, c.column, false);
        EXPECT_EQ(Names(sorted), c.ascending) << "column " << c.column;
        // Descending is the exact reverse of ascending for distinct keys.
        SortRows(sorted, c.column, true);
        std::vector<ExplorerRow> reversed = rows;
        SortRows(reversed, c.column, false);
        std::reverse(reversed.begin(), reversed.end());
        if (c.column != kColumnSize) {
            EXPECT_EQ(Names(sorted), Names(reversed)) << c.column;
        }
    }
    std::vector<ExplorerRow> sorted = rows;
    SortRows(sorted, kColumnName, true);
    EXPECT_EQ(Names(sorted), "C.txt b.txt a.bin Zed alpha");  // folders after files

    // One toggle for every column; stored values outside their ranges read as 0.
    SortToggle t = SortToggle::FromStored(7, 5);
    EXPECT_EQ(t.column, kColumnName);
    EXPECT_FALSE(t.toggle);
    EXPECT_FALSE(t.Click(kColumnSize));  // ascending, and the toggle flips
    EXPECT_TRUE(t.toggle);
    EXPECT_TRUE(t.Click(kColumnType));  // another column: descending
    EXPECT_EQ(t.column, kColumnType);
    EXPECT_FALSE(t.toggle);
    EXPECT_TRUE(SortToggle::FromStored(3, 1).toggle);
}

TEST(ExplorerRoots, VolumesFirstThenHomeThenTheHandheld) {
    const std::vector<ExplorerRoot> roots =
        ExplorerRoots({"/media/usb", "/", "/home/ann", "/boot/", "/media/usb"}, "/home/ann");
    std::vector<std::string> paths;
    for (const ExplorerRoot& r : roots) paths.push_back(r.path);
    EXPECT_EQ(paths, (std::vector<std::string>{"/", "/boot", "/media/usb", "/home/ann", "1:\\"}));
    EXPECT_EQ(roots[3].kind, ExplorerRoot::Home);
    EXPECT_EQ(roots.back().kind, ExplorerRoot::Handheld);
    EXPECT_EQ(ExplorerRoots({}, "").size(), 1u);  // the handheld alone
}

}  // namespace
}  // namespace hd::tools
