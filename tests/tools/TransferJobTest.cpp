// A transfer run on its own thread: progress over the whole run, and a
// Cancel that stops after the file in work, leaving the rest untouched.
#include <gtest/gtest.h>

#include <filesystem>

#include "desktop/tools/explorer/DropLists.h"
#include "desktop/tools/transfer/TransferJob.h"
#include "tools/RemoteFilesRig.h"

namespace hd::tools {
namespace {

using test::Exists;
using test::LocalRig;
using test::ReadFile;
using test::ScriptedUi;
using test::WriteFile;

// Cancels the job from inside the replace question, as a person pressing
// Cancel while the question is up would, then answers Yes.
struct CancellingUi : ScriptedUi {
    TransferJob* job = nullptr;
    Answer ConfirmReplace(const std::string& name, const std::string& existing,
                          const std::string& incoming) override {
        ScriptedUi::ConfirmReplace(name, existing, incoming);
        job->Cancel();
        return Yes;
    }
};

TEST(TransferJob, CancelStopsAfterTheFileInWork) {
    LocalRig r;
    ASSERT_TRUE(r.connected);
    std::filesystem::create_directories(r.desk + "/in/sub");
    const char* names[] = {"a.txt", "b.txt", "c.txt", "d.txt"};
    for (const char* n : names) WriteFile(r.desk + "/in/" + n, std::string(1000, n[0]));
    WriteFile(r.desk + "/in/sub/e.txt", "eeee");
    WriteFile(r.OnDevice("b.txt"), "old");  // the second file asks the question

    // Everything in the folder, as a drop of its entries would give it.
    std::vector<std::string> paths;
    for (const char* n : names) paths.push_back(r.desk + "/in/" + n);
    paths.push_back(r.desk + "/in/sub");
    const std::vector<TransferList> lists = ListsFromPaths(*r.hc, paths, TransferList::Copy);
    ASSERT_EQ(lists.size(), 1u);
    ASSERT_EQ(lists[0].entries.size(), 5u);

    CancellingUi ui;
    ui.replaceAnswers = {TransferUi::Yes};
    TransferJob job(*r.hc, ui, lists[0], "1:\\");
    ui.job = &job;
    bool ended = false;
    job.Start([&] { ended = true; });
    job.Join();
    EXPECT_TRUE(ended && job.Finished());
    EXPECT_FALSE(job.Succeeded());
    EXPECT_TRUE(job.WasCancelled());
    EXPECT_EQ(ui.replaced, std::vector<std::string>{"b.txt"});
    // a and the file in work (b) arrived whole; nothing after them was started.
    EXPECT_EQ(ReadFile(r.OnDevice("a.txt")), std::string(1000, 'a'));
    EXPECT_EQ(ReadFile(r.OnDevice("b.txt")), std::string(1000, 'b'));
    EXPECT_FALSE(Exists(r.OnDevice("c.txt")));
    EXPECT_FALSE(Exists(r.OnDevice("sub")));
    const TransferJob::Progress p = job.Snapshot();
    EXPECT_FALSE(p.measuring);
    EXPECT_EQ(p.filesTotal, 5u);  // the folder's file counted too
    EXPECT_EQ(p.bytesTotal, 4004u);
    EXPECT_EQ(p.filesDone, 2u);
    EXPECT_EQ(p.bytesDone, 2000u);
    EXPECT_EQ(TransferJob::ProgressText(p, 0), "2.0 KB of 3.9 KB, 2 of 5 files");
    EXPECT_EQ(TransferJob::ProgressText(p, 1000), "2.0 KB of 3.9 KB, 2 of 5 files, 2.0 KB/s");

    // The whole run again, uncancelled, into a desktop folder: every file
    // lands and the counts meet.
    ScriptedUi quiet;
    TransferList back;
    back.sourceFolder = "1:\\";
    back.entries = {{0x20, "a.txt", 1000}, {0x20, "b.txt", 1000}};
    TransferJob again(*r.hc, quiet, back, r.desk);
    again.Start();
    again.Join();
    EXPECT_TRUE(again.Succeeded());
    EXPECT_EQ(again.Snapshot().filesDone, again.Snapshot().filesTotal);
    EXPECT_EQ(ReadFile(r.desk + "/b.txt"), std::string(1000, 'b'));
}

}  // namespace
}  // namespace hd::tools
