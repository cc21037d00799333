// The transfer engine on both machines: recursion, move semantics, the
// replace and error questions, and listings it must not trust.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "desktop/tools/files/RemoteFiles.h"
#include "desktop/tools/transfer/TransferEngine.h"
#include "tools/RemoteFilesRig.h"

namespace hd::tools {
namespace {

using test::Bytes;
using test::Exists;
using test::LocalRig;
using test::ReadFile;
using test::ScriptedUi;
using test::WireRig;
using test::WriteFile;
namespace fs = std::filesystem;

TransferList List(TransferList::Operation op, const std::string& folder,
                  std::vector<TransferEntry> entries) {
    TransferList l;
    l.operation = op;
    l.sourceFolder = folder;
    l.entries = std::move(entries);
    return l;
}

// A folder of files, a hidden one and a subfolder two levels deep.
void MakeTree(const std::string& at) {
    fs::create_directories(at + "/Sub/Deeper");
    WriteFile(at + "/a.txt", "alpha");
    WriteFile(at + "/.system", "hidden and system");
    WriteFile(at + "/Sub/b.bin", std::string(100000, 'b'));
    WriteFile(at + "/Sub/Deeper/c.txt", "charlie");
}

void ExpectTree(const std::string& at) {
    EXPECT_EQ(ReadFile(at + "/a.txt"), "alpha");
    EXPECT_EQ(ReadFile(at + "/.system"), "hidden and system");
    EXPECT_EQ(ReadFile(at + "/Sub/b.bin"), std::string(100000, 'b'));
    EXPECT_EQ(ReadFile(at + "/Sub/Deeper/c.txt"), "charlie");
}

TEST(TransferEngine, CopiesAFolderTreeToTheHandheldAndBack) {
    LocalRig r;
    ASSERT_TRUE(r.connected);
    ScriptedUi ui;
    TransferEngine engine(*r.hc, ui);
    MakeTree(r.desk + "/Tree");
    TransferList up = List(TransferList::Copy, r.desk, {{kAttrDirectory, "Tree"}});
    ASSERT_TRUE(engine.Run(up, "1:\\"));
    ExpectTree(r.OnDevice("Tree"));
    EXPECT_EQ(up.entries.size(), 1u);  // a copy keeps its list for another Paste
    EXPECT_TRUE(ui.replaced.empty());
    EXPECT_EQ(ui.waits.front(), "Please Wait ...  Tree");
    EXPECT_EQ(ui.open, 0);

    fs::create_directory(r.desk + "/back");
    TransferList down = List(TransferList::Copy, "1:\\", {{kAttrDirectory, "Tree"}});
    ASSERT_TRUE(engine.Run(down, r.desk + "/back"));
    ExpectTree(r.desk + "/back/Tree");
    ExpectTree(r.desk + "/Tree");  // the source stays
}

TEST(TransferEngine, DeleteRemovesEverythingDepthFirstWithoutAsking) {
    LocalRig r;
    ASSERT_TRUE(r.connected);
    ScriptedUi ui;
    TransferEngine engine(*r.hc, ui);
    MakeTree(r.OnDevice("Tree"));
    WriteFile(r.OnDevice("keep.txt"), "keep");
    TransferList del = List(TransferList::Delete, "1:\\", {{kAttrDirectory, "Tree"}});
    ASSERT_TRUE(engine.Run(del, ""));
    EXPECT_FALSE(Exists(r.OnDevice("Tree")));
    EXPECT_TRUE(Exists(r.OnDevice("keep.txt")));
    EXPECT_TRUE(del.entries.empty());
    EXPECT_TRUE(ui.replaced.empty());
    EXPECT_TRUE(ui.errors.empty());

    MakeTree(r.desk + "/Tree");
    TransferList local = List(TransferList::Delete, r.desk, {{kAttrDirectory, "Tree"}});
    ASSERT_TRUE(engine.Run(local, ""));
    EXPECT_FALSE(Exists(r.desk + "/Tree"));
}

TEST(TransferEngine, ReplaceQuestionsForTheFolderAndEachExistingFile) {
    LocalRig r;
    ASSERT_TRUE(r.connected);
    fs::create_directories(r.desk + "/Tree");
    fs::create_directories(r.OnDevice("Tree"));
    for (const char* n : {"a.txt", "b.txt", "c.txt"}) WriteFile(r.desk + "/Tree/" + n, "new");
    WriteFile(r.OnDevice("Tree/a.txt"), "old");
    WriteFile(r.OnDevice("Tree/b.txt"), "old");
    ScriptedUi ui;
    ui.replaceAnswers = {TransferUi::Yes, TransferUi::Yes, TransferUi::No};
    TransferEngine engine(*r.hc, ui);
    TransferList paste = List(TransferList::Copy, r.desk, {{kAttrDirectory, "Tree"}});
    // The folder and the two existing files are asked about (in the listed
    // order); c.txt is new.
    ASSERT_TRUE(engine.Run(paste, "1:\\"));
    EXPECT_EQ(ui.replaced.size(), 3u);
    EXPECT_EQ(ui.replaced.front(), "Tree");
    EXPECT_TRUE(ui.errors.empty());  // an approved folder's creation may fail quietly
    EXPECT_EQ(ReadFile(r.OnDevice("Tree/c.txt")), "new");
    const std::string skipped = ui.replaced.back();
    EXPECT_EQ(ReadFile(r.OnDevice("Tree/" + skipped)), "old");
    EXPECT_EQ(ReadFile(r.OnDevice("Tree/" + std::string(skipped == "a.txt" ? "b.txt" : "a.txt"))),
              "new");
    EXPECT_NE(ui.lastExisting.find("3 Bytes, modified "), std::string::npos);

    // Yes to All on the folder: no more questions, but the folder's creation
    // now fails and asks whether to go on; Yes goes into it.
    WriteFile(r.OnDevice("Tree/a.txt"), "old");
    WriteFile(r.OnDevice("Tree/b.txt"), "old");
    ScriptedUi all;
    all.replaceAnswers = {TransferUi::YesToAll};
    all.continueAnswers = {true};
    TransferEngine again(*r.hc, all);
    ASSERT_TRUE(again.Run(paste, "1:\\"));
    EXPECT_EQ(all.replaced.size(), 1u);
    EXPECT_EQ(all.errors.size(), 1u);
    for (const char* n : {"a.txt", "b.txt", "c.txt"})
        EXPECT_EQ(ReadFile(r.OnDevice(std::string("Tree/") + n)), "new") << n;
}

TEST(TransferEngine, MoveLeavesWhatWasSkippedAtItsSource) {
    LocalRig r;
    ASSERT_TRUE(r.connected);
    fs::create_directories(r.desk + "/src");
    WriteFile(r.desk + "/src/x.txt", "x-new");
    WriteFile(r.desk + "/src/y.txt", "y-new");
    WriteFile(r.OnDevice("x.txt"), "x-old");
    ScriptedUi ui;
    ui.replaceAnswers = {TransferUi::No};
    TransferEngine engine(*r.hc, ui);
    TransferList move =
        List(TransferList::Move, r.desk + "/src", {{kAttrNormal, "x.txt"}, {kAttrNormal, "y.txt"}});
    ASSERT_TRUE(engine.Run(move, "1:\\"));
    EXPECT_EQ(ReadFile(r.desk + "/src/x.txt"), "x-new");
    EXPECT_EQ(ReadFile(r.OnDevice("x.txt")), "x-old");
    EXPECT_FALSE(Exists(r.desk + "/src/y.txt"));
    EXPECT_EQ(ReadFile(r.OnDevice("y.txt")), "y-new");

    // Moving the folder: the skipped file keeps its source folder, whose
    // removal then fails and asks; Yes ends the run normally.
    fs::create_directories(r.OnDevice("src"));
    WriteFile(r.OnDevice("src/x.txt"), "x-old");
    ScriptedUi folder;
    folder.replaceAnswers = {TransferUi::Yes, TransferUi::No};
    folder.continueAnswers = {true};
    TransferEngine e2(*r.hc, folder);
    TransferList moveDir = List(TransferList::Move, r.desk, {{kAttrDirectory, "src"}});
    ASSERT_TRUE(e2.Run(moveDir, "1:\\"));
    EXPECT_EQ(folder.errors.size(), 1u);
    EXPECT_EQ(ReadFile(r.desk + "/src/x.txt"), "x-new");
    EXPECT_EQ(ReadFile(r.OnDevice("src/x.txt")), "x-old");

    // A move from the handheld to the desktop, whole.
    MakeTree(r.OnDevice("Tree"));
    ScriptedUi none;
    TransferEngine e3(*r.hc, none);
    TransferList down = List(TransferList::Move, "1:\\", {{kAttrDirectory, "Tree"}});
    ASSERT_TRUE(e3.Run(down, r.desk));
    ExpectTree(r.desk + "/Tree");
    EXPECT_FALSE(Exists(r.OnDevice("Tree")));
}

TEST(TransferEngine, CancelStopsAtOnceAndKeepsWhatWasDone) {
    LocalRig r;
    ASSERT_TRUE(r.connected);
    WriteFile(r.desk + "/first.txt", "first");
    fs::create_directories(r.desk + "/Tree");
    fs::create_directories(r.OnDevice("Tree"));
    WriteFile(r.desk + "/Tree/a.txt", "new");
    WriteFile(r.desk + "/Tree/b.txt", "new");
    WriteFile(r.OnDevice("Tree/a.txt"), "old");
    WriteFile(r.OnDevice("Tree/b.txt"), "old");
    WriteFile(r.desk + "/last.txt", "last");
    ScriptedUi ui;
    ui.replaceAnswers = {TransferUi::Yes, TransferUi::Cancel};
    TransferEngine engine(*r.hc, ui);
    TransferList paste =
        List(TransferList::Copy, r.desk,
             {{kAttrNormal, "first.txt"}, {kAttrDirectory, "Tree"}, {kAttrNormal, "last.txt"}});
    EXPECT_FALSE(engine.Run(paste, "1:\\"));
    EXPECT_EQ(ReadFile(r.OnDevice("first.txt")), "first");
    EXPECT_EQ(ReadFile(r.OnDevice("Tree/a.txt")), "old");
    EXPECT_EQ(ReadFile(r.OnDevice("Tree/b.txt")), "old");
    EXPECT_FALSE(Exists(r.OnDevice("last.txt")));
    EXPECT_EQ(ui.open, 0);

    // No to an error question ends the run too.
    ScriptedUi stop;
    stop.continueAnswers = {false};
    TransferEngine e2(*r.hc, stop);
    TransferList missing =
        List(TransferList::Copy, r.desk, {{kAttrNormal, "none.txt"}, {kAttrNormal, "last.txt"}});
    EXPECT_FALSE(e2.Run(missing, "1:\\"));
    EXPECT_FALSE(Exists(r.OnDevice("last.txt")));
    EXPECT_EQ(stop.errors.size(), 1u);
}

TEST(TransferEngine, ADestinationInsideItsSourceIsRefused) {
    hd::test::TempFolders t;
    MakeTree(t.base + "/Tree");
    WireRig w;  // desktop only
    ScriptedUi ui;
    ui.continueAnswers = {false, true};
    TransferEngine engine(w.hc, ui);
    TransferList into = List(TransferList::Copy, t.base, {{kAttrDirectory, "Tree"}});
    EXPECT_FALSE(engine.Run(into, t.base + "/Tree/Sub"));
    EXPECT_FALSE(Exists(t.base + "/Tree/Sub/Tree"));
    // A file moved onto itself is not deleted.
    TransferList self = List(TransferList::Move, t.base + "/Tree", {{kAttrNormal, "a.txt"}});
    EXPECT_TRUE(engine.Run(self, t.base + "/Tree/"));
    ExpectTree(t.base + "/Tree");
    EXPECT_EQ(ui.errors.size(), 2u);
}

TEST(TransferEngine, NamesFromAHandheldListingCannotLeaveTheDestination) {
    hd::test::TempFolders t;
    const std::string dest = t.base + "/dest";
    fs::create_directory(dest);
    auto rec = [](uint32_t attr, const char* name) {
        const FileRecord r = FileRecord::Device(attr, 2, 0, 0, 0, name);
        return Bytes(r.Bytes().begin(), r.Bytes().end());
    };
    Bytes listing;
    for (const Bytes& b :
         {rec(kAttrDirectory, "."), rec(kAttrDirectory, ".."), rec(kAttrNormal, "../evil"),
          rec(kAttrNormal, "a/b"), rec(kAttrNormal, ".."), rec(kAttrNormal, "good.txt")})
        hd::test::Append(listing, b);
    WireRig w;
    w.stream.AddBytes({1});
    w.stream.AddBytes(hd::test::Packed(listing));
    w.stream.AddBytes({1});
    w.stream.AddBytes(hd::test::Packed({0, 0, 0, 2, 'o', 'k'}));
    ScriptedUi ui;
    TransferEngine engine(w.hc, ui);
    TransferList down = List(TransferList::Copy, "1:\\", {{kAttrDirectory, "d"}});
    ASSERT_TRUE(engine.Run(down, dest));
    EXPECT_EQ(ReadFile(dest + "/d/good.txt"), "ok");
    EXPECT_FALSE(Exists(dest + "/evil"));
    EXPECT_FALSE(Exists(t.base + "/evil"));
    EXPECT_EQ(ui.skipped, (std::vector<std::string>{"1:\\d|../evil", "1:\\d|a/b", "1:\\d|.."}));
    EXPECT_EQ(w.stream.Left(), 0u);
}

TEST(TransferEngine, DescriptionsInLocalTimeOnTheTwelveHourClock) {
    const char* old = getenv("TZ");
    const std::string saved = old ? old : "";
    setenv("TZ", "UTC", 1);
    tzset();
    // 2023-11-14 22:13:20 UTC
    const FileRecord evening =
        FileRecord::Desktop(0, 5, 0, 0, FileTimeFromUnix(1700000000, 0), "e");
    EXPECT_EQ(TransferEngine::Describe(evening), "5 Bytes, modified 14/11/2023 10:13PM");
    // Midnight and noon read 12.
    EXPECT_EQ(TransferEngine::FormatTime(FileTimeFromUnix(1704067260, 0)), "01/01/2024 12:01AM");
    EXPECT_EQ(TransferEngine::FormatTime(FileTimeFromUnix(1704067200 + 12 * 3600, 0)),
              "01/01/2024 12:00PM");
    // A folder's size reads 0; a size past 32 bits is shown whole.
    const FileRecord big = FileRecord::Device(0, 0x100000001ull, 0, 0, 0, "b");
    EXPECT_EQ(TransferEngine::Describe(big).substr(0, 17), "4294967297 Bytes,");
    if (old)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

}  // namespace
}  // namespace hd::tools
