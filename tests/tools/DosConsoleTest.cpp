// The DOS console's transcripts against the real agent's virtual handheld
// (local link, device root "1:\") and a temporary desktop folder as drive D:.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <deque>
#include <filesystem>

#include "desktop/session/Settings.h"
#include "desktop/tools/dos/DosConsole.h"
#include "desktop/tools/dos/DosText.h"
#include "desktop/tools/dos/RemoteDosFiles.h"
#include "tools/RemoteFilesRig.h"

namespace hd::tools {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;

struct ScriptedQuestions : DosQuestions {
    OverwriteAnswer AskOverwrite(const std::string& text) override {
        asked.push_back(text);
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected question: " << text;
            return OverwriteAnswer::Skip;
        }
        const OverwriteAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    std::deque<OverwriteAnswer> answers;
    std::vector<std::string> asked;
};

// A file's modification time as a UTC calendar time.
void SetTime(const std::string& path, int y, int mo, int d, int h, int mi, int s) {
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    const timespec t[2] = {{timegm(&tm), 0}, {timegm(&tm), 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), t, 0), 0) << path;
}

// The lines of a transcript in sorted order, for listings whose order is the
// file system's.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    size_t at = 0;
    for (size_t nl; (nl = text.find("\r\n", at)) != std::string::npos; at = nl + 2)
        out.push_back(text.substr(at, nl - at));
    out.push_back(text.substr(at));
    std::sort(out.begin(), out.end());
    return out;
}

class DosConsoleTest : public ::testing::Test {
protected:
    DosConsoleTest() : store(rig.base + "/dos.conf"), files(*rig.hc, Drives()) {}

    DriveMap Drives() {
        DriveMap d;
        d.Map('D', rig.desk);
        return d;
    }
    void SetUp() override {
        ASSERT_TRUE(rig.connected);
        fs::create_directories(rig.root + "/Docs/Old");
        fs::create_directories(rig.desk + "/sub");
        Open();
    }
    void Open() {
        console = std::make_unique<DosConsole>(files, store, questions, text);
        console->Start();
    }
    // Types the command after the prompt and presses Enter, as the edit does:
    // the caret's line is read before the line break goes in.
    DosDecision Enter(const std::string& command) {
        text.Type(command);
        const std::string line = text.LastLine();
        text.Type("\r\n");
        return console->Enter(line);
    }
    std::string Out(const std::string& command) { return Enter(command).output; }

    test::LocalRig rig;
    desktop::Settings store;
    RemoteDosFiles files;
    ScriptedQuestions questions;
    DosText text;
    std::unique_ptr<DosConsole> console;
};

TEST_F(DosConsoleTest, CommandWordsAreExactAndOnlyDrivesBToYChangeDrive) {
    EXPECT_EQ(text.Text(), "Orvenna Remote DOS Emulator\r\n1:\\>");
    EXPECT_EQ(Out("DIR"), "Unknown command 'DIR'\r\n1:\\>");
    EXPECT_EQ(Out("Cd \\Docs"), "Unknown command 'Cd \\Docs'\r\n1:\\>");
    EXPECT_EQ(Out("a:"), "Unknown command 'a:'\r\n1:\\>");
    EXPECT_EQ(Out("Z:"), "Unknown command 'Z:'\r\n1:\\>");
    EXPECT_EQ(Out(""), "1:\\>");
    // B: names no desktop volume here.
    const DosDecision b = Enter("b:");
    EXPECT_EQ(b.output, "The system could not find the drive specified\r\n1:\\>");
    EXPECT_TRUE(b.failed);

    EXPECT_EQ(Out("cd Docs"), "\r\n\r\n1:\\Docs\\>");
    EXPECT_EQ(Out("d:"), "D:\\>");
    EXPECT_EQ(Out("cd sub"), "\r\n\r\nD:\\sub\\>");
    EXPECT_EQ(Out("1:"), "1:\\Docs\\>");  // each drive keeps its own directory
    EXPECT_EQ(Out("D:"), "D:\\sub\\>");
    EXPECT_EQ(Out("c:"), "C:\\>");
    EXPECT_EQ(Out("cd tmp"), "\r\n\r\nC:\\tmp\\>");

    // Remembered in the store under the drive's name; a new box starts in the
    // handheld's directory.
    std::string v;
    store.ReadText("1:", v);
    EXPECT_EQ(v, "1:\\Docs\\");
    store.ReadText("D:", v);
    EXPECT_EQ(v, "D:\\sub\\");
    Open();
    EXPECT_EQ(console->Current(), "1:\\Docs\\");

    // A remembered folder that has gone falls back to the drive's root.
    fs::remove(rig.desk + "/sub");
    EXPECT_EQ(Out("d:"), "D:\\>");

    const DosDecision exit = Enter("exit");
    EXPECT_TRUE(exit.close);
    EXPECT_EQ(exit.output, "");  // no prompt after exit
}

TEST_F(DosConsoleTest, CdClimbsMatchesWildcardsAndKeepsTheDirectoryOnFailure) {
    EXPECT_EQ(Out("cd"), "\r\n\r\n1:\\>");
    EXPECT_EQ(Out("cd.."), "\r\n\r\n1:\\>");  // the root is its own parent
    EXPECT_EQ(Out("cd\\Docs\\Old"), "\r\n\r\n1:\\Docs\\Old\\>");
    EXPECT_EQ(Out("cd.."), "\r\n\r\n1:\\Docs\\>");
    EXPECT_EQ(Out("cd ."), "\r\n\r\n1:\\Docs\\>");
    EXPECT_EQ(Out("cd \\"), "\r\n\r\n1:\\>");
    EXPECT_EQ(Out("cd D?c*"), "\r\n\r\n1:\\Docs\\>");
    EXPECT_EQ(Out("cd O*"), "\r\n\r\n1:\\Docs\\Old\\>");

    const DosDecision missing = Enter("cd nope");
    EXPECT_EQ(missing.output,
              "The system could not find the path specified 'nope'\r\n\r\n\r\n1:\\Docs\\Old\\>");
    EXPECT_TRUE(missing.failed);
    EXPECT_EQ(Out("cd x*"),
              "The system could not find the path specified 'x*'\r\n\r\n\r\n1:\\Docs\\Old\\>");
    // A file is not a directory, on either machine.
    WriteFile(rig.root + "/Docs/Old/f.txt", "f");
    EXPECT_EQ(Out("cd f.txt"),
              "The system could not find the path specified 'f.txt'\r\n\r\n\r\n"
              "1:\\Docs\\Old\\>");
    Out("d:");
    WriteFile(rig.desk + "/g.txt", "g");
    EXPECT_EQ(Out("cd g.txt"),
              "The system could not find the path specified 'g.txt'\r\n\r\n\r\n"
              "D:\\>");
    EXPECT_EQ(Out("cd s*"), "\r\n\r\nD:\\sub\\>");

    // When the request itself fails (the connection is gone), only the line
    // breaks follow; other commands report their own failures and go on.
    Out("1:");
    rig.hc->Disconnect(false);
    const DosDecision lost = Enter("cd \\Docs");
    EXPECT_EQ(lost.output, "\r\n\r\n1:\\Docs\\Old\\>");
    EXPECT_TRUE(lost.failed);
    EXPECT_EQ(Out("dir"), "\r\nFile Not Found\r\n1:\\Docs\\Old\\>");
}

TEST_F(DosConsoleTest, DirPrintsCalendarFieldsTheHourMarkerAndWideSizes) {
    for (const std::string& folder : {rig.root + "/Docs", rig.desk}) {
        WriteFile(folder + "/noon.txt", "12345");
        SetTime(folder + "/noon.txt", 2021, 3, 7, 12, 0, 0);
        WriteFile(folder + "/half.txt", "");
        SetTime(folder + "/half.txt", 2000, 2, 29, 12, 30, 0);
        // Sparse: more than 32 bits of size without the disk space.
        const int fd = ::open((folder + "/big.txt").c_str(), O_CREAT | O_WRONLY, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, 5368709127), 0);
        ::close(fd);
        SetTime(folder + "/big.txt", 1999, 12, 31, 23, 59, 59);
        fs::create_directory(folder + "/Late");
        SetTime(folder + "/Late", 2030, 1, 2, 0, 5, 0);
    }
    for (const std::string drive : {"1:\\Docs\\", "D:\\"}) {
        SCOPED_TRACE(drive);
        const std::string out = Out("dir " + drive + "*.txt");
        EXPECT_EQ(out.rfind("\r\nDirectory of " + drive + "*.txt\r\n", 0), 0u) << out;
        EXPECT_NE(out.find("07/03/2021  12:00a                5 noon.txt\r\n"), std::string::npos)
            << out;
        EXPECT_NE(out.find("29/02/2000  00:30p                0 half.txt\r\n"), std::string::npos)
            << out;
        EXPECT_NE(out.find("31/12/1999  11:59p       5368709127 big.txt\r\n"), std::string::npos)
            << out;
        EXPECT_NE(out.find("\t3 Files(s)\r\n\t0 Dir(s)\r\n\r\n" + console->Current() + ">"),
                  std::string::npos)
            << out;
        const std::string late = Out("dir " + drive + "Late");
        EXPECT_EQ(late, "\r\nDirectory of " + drive + "Late\r\n" +
                            "02/01/2030  00:05a <DIR>            Late\r\n" +
                            "\t0 Files(s)\r\n\t1 Dir(s)\r\n\r\n" + console->Current() + ">");
    }
    EXPECT_EQ(Out("dir nothing*"), "\r\nFile Not Found\r\n1:\\>");
    Out("cd Docs");
    EXPECT_NE(Out("dir ..").find("\r\nDirectory of 1:\\\r\n"), std::string::npos);
}

TEST_F(DosConsoleTest, CopyAsksBeforeReplacingAndSkipsOrReplacesAsAnswered) {
    WriteFile(rig.desk + "/a.txt", "new a");
    WriteFile(rig.desk + "/b.txt", "new b");
    WriteFile(rig.root + "/Docs/a.txt", "old a");

    questions.answers = {OverwriteAnswer::Skip};
    EXPECT_EQ(
        Lines(Out("copy D:\\*.txt 1:\\Docs")),  // found to be a folder without its '\\'
        Lines("\\Docs\\a.txt     Skipped!\r\n1:\\Docs\\b.txt\r\n\t1 files(s) copied\r\n1:\\>"));
    ASSERT_EQ(questions.asked.size(), 1u);
    EXPECT_EQ(questions.asked[0], "Destination file '1:\\Docs\\a.txt' already exists!!");
    EXPECT_EQ(ReadFile(rig.root + "/Docs/a.txt"), "old a");
    EXPECT_EQ(ReadFile(rig.root + "/Docs/b.txt"), "new b");

    // Overwrite All is asked once and holds for the rest of the command.
    WriteFile(rig.desk + "/b.txt", "newer b");
    questions.asked.clear();
    questions.answers = {OverwriteAnswer::OverwriteAll};
    const std::string all = Out("copy D:\\*.txt 1:\\Docs\\");
    EXPECT_NE(all.find("\t2 files(s) copied\r\n"), std::string::npos) << all;
    EXPECT_EQ(questions.asked.size(), 1u);
    EXPECT_EQ(ReadFile(rig.root + "/Docs/a.txt"), "new a");
    EXPECT_EQ(ReadFile(rig.root + "/Docs/b.txt"), "newer b");

    // Handheld to a desktop file name, then handheld to handheld into the
    // current directory (no destination given).
    questions.answers = {OverwriteAnswer::Overwrite};
    EXPECT_EQ(Out("copy 1:\\Docs\\a.txt D:\\copy.txt"),
              "D:\\copy.txt\r\n\t1 files(s) copied\r\n1:\\>");
    EXPECT_EQ(ReadFile(rig.desk + "/copy.txt"), "new a");
    EXPECT_EQ(Out("copy \\Docs\\b.txt"), "1:\\b.txt\r\n\t1 files(s) copied\r\n1:\\>");
    EXPECT_EQ(ReadFile(rig.root + "/b.txt"), "newer b");
    EXPECT_EQ(questions.answers.size(), 1u);  // nothing existed: nothing asked

    const DosDecision none = Enter("copy nothing* D:\\");
    EXPECT_EQ(none.output, "File not found\r\n1:\\>");
    EXPECT_TRUE(none.failed);
}

// A handheld that lists whatever it likes and records what it is asked.
struct HostileFiles : DosFiles {
    RecordList List(const std::string& path) override {
        RecordList l;
        l.Clear(true);
        if (path.rfind("1:", 0) != 0) return l;  // the desktop folder is empty
        for (const char* name : {"..", "a\\..\\..\\evil.txt", "b/../evil.txt", "ok.txt"})
            l.Append(FileRecord::Device(0x20, 1, 0, 0, 0, name));
        return l;
    }
    Probe DeviceFolder(const std::string&) override { return Probe::Exists; }
    bool DesktopFolder(const std::string&) override { return true; }
    bool Exists(const std::string&) override { return false; }
    bool MkDir(const std::string&) override { return true; }
    bool RmDir(const std::string&) override { return true; }
    bool Delete(const std::string& p) override {
        touched.push_back(p);
        return true;
    }
    bool Copy(const std::string& s, const std::string& d, bool) override {
        touched.push_back(s + ">" + d);
        return true;
    }
    std::vector<std::string> touched;
};

TEST(DosConsoleNames, ListedNamesWithSeparatorsOrDotsAreNeverUsedInAPath) {
    char name[] = "/tmp/hd-dos-XXXXXX";
    const std::string base = ::mkdtemp(name);
    {
        desktop::Settings store(base + "/dos.conf");
        HostileFiles files;
        ScriptedQuestions questions;
        DosText text;
        DosConsole console(files, store, questions, text);
        const DosDecision copy = console.Run("copy 1:\\*.* D:\\");
        EXPECT_EQ(files.touched, std::vector<std::string>{"1:\\ok.txt>D:\\ok.txt"});
        EXPECT_NE(copy.output.find("Error copying file 1:\\a\\..\\..\\evil.txt to "
                                   "D:\\a\\..\\..\\evil.txt\r\n"),
                  std::string::npos)
            << copy.output;
        EXPECT_NE(copy.output.find("\t1 files(s) copied\r\n"), std::string::npos);
        EXPECT_TRUE(copy.failed);
        files.touched.clear();
        const DosDecision del = console.Run("del *.*");
        EXPECT_EQ(files.touched, std::vector<std::string>{"1:\\ok.txt"});
        EXPECT_NE(del.output.find("Error deleting file \\b/../evil.txt\r\n"), std::string::npos)
            << del.output;
    }
    fs::remove_all(base);
}

TEST_F(DosConsoleTest, DelMkdirAndRmdirReportEachPathOrTheirFailure) {
    EXPECT_EQ(Out("md \\New"), "\r\n\r\n1:\\>");
    EXPECT_TRUE(fs::is_directory(rig.root + "/New"));
    EXPECT_EQ(Out("mkdir New"), "Error creating directory\r\n\r\n\r\n1:\\>");
    WriteFile(rig.root + "/New/1.log", "1");
    WriteFile(rig.root + "/New/2.log", "2");
    WriteFile(rig.root + "/New/keep.txt", "k");
    EXPECT_EQ(Out("rd New"), "Error removing directory\r\n\r\n\r\n1:\\>");

    EXPECT_EQ(Lines(Out("del New\\*.log")), Lines("\\New\\1.log\r\n\\New\\2.log\r\n\r\n\r\n1:\\>"));
    EXPECT_FALSE(fs::exists(rig.root + "/New/1.log"));
    EXPECT_TRUE(fs::exists(rig.root + "/New/keep.txt"));
    EXPECT_EQ(Out("del New\\*.log"), "File not found\r\n1:\\>");
    // A bare del would empty the current directory unasked.
    EXPECT_EQ(Out("del"), "The syntax of the command is incorrect.\r\n1:\\>");
    EXPECT_TRUE(fs::exists(rig.root + "/New/keep.txt"));

    Out("d:");
    EXPECT_EQ(Out("md made"), "\r\n\r\nD:\\>");
    WriteFile(rig.desk + "/made/m.bin", "m");
    EXPECT_EQ(Out("del made\\m.bin"), "D:\\made\\m.bin\r\n\r\n\r\nD:\\>");
    EXPECT_EQ(Out("rmdir made"), "\r\n\r\nD:\\>");
    EXPECT_FALSE(fs::exists(rig.desk + "/made"));
}

TEST_F(DosConsoleTest, OldTextMakesRoomSoTheBoxNeverPassesItsLimit) {
    const size_t helpSize = Out("help").size();
    for (size_t i = 0; i * helpSize < DosText::kLimit + 5000; ++i) {
        Enter("help");
        ASSERT_LE(text.Text().size(), DosText::kLimit - 1);
    }
    EXPECT_EQ(text.Text().find("Orvenna Remote DOS Emulator"), std::string::npos);
    const std::string end = "rmdir Removes a directory\r\n\r\n1:\\>";
    EXPECT_EQ(text.Text().substr(text.Text().size() - end.size()), end);

    // The rule itself: past 49999, a print line drops max(length + 8, 200)
    // characters from the front.
    DosText t;
    t.Insert(std::string(49850, 'x') + "tail");
    t.MakeRoom(200);
    EXPECT_EQ(t.Text().size(), 49654u);
    t.MakeRoom(200);  // 49854: room enough now
    EXPECT_EQ(t.Text().size(), 49654u);
    // Never half a character, and typing stops at the limit.
    DosText u;
    u.Insert("\xC3\xA9" + std::string(49998, 'y'));
    u.MakeRoom(1);
    EXPECT_EQ(u.Text(), std::string(49998, 'y'));
    EXPECT_TRUE(u.Type(std::string(DosText::kLimit - u.Text().size(), 'z')));
    EXPECT_FALSE(u.Type("!"));
}

}  // namespace
}  // namespace hd::tools
