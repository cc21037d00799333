#include "desktop/tools/dos/DosConsole.h"

#include <algorithm>

#include "common/Log.h"
#include "desktop/tools/dos/DosFormat.h"
#include "desktop/tools/dos/DosLine.h"

namespace hd::tools {

using dos::Format;

namespace {
constexpr const char* kDeviceKey = "1:";
}  // namespace

DosConsole::DosConsole(DosFiles& files, desktop::Settings& store, DosQuestions& questions,
                       DosSink& sink)
    : m_files(files), m_store(store), m_questions(questions), m_sink(sink) {
    m_store.ReadText(kDeviceKey, m_current);
    if (!dos::UsableDirectory(m_current, '1')) {
        m_current = "1:\\";
        m_store.WriteText(kDeviceKey, m_current);
    }
}

void DosConsole::Start() {
    m_sink.Clear();
    PrintLine(kBanner);
    PrintPrompt();
}

// Output primitives: each makes room in a bounded text before it inserts.

void DosConsole::Insert(std::string_view text) {
    m_sink.MakeRoom(text.size());
    m_sink.Insert(text);
    if (m_step) m_step->output += text;
}

void DosConsole::PrintLine(std::string_view text) {
    m_sink.MakeRoom(std::max<size_t>(text.size() + 8, 200));
    std::string line(text);
    line += "\r\n";
    m_sink.Insert(line);
    if (m_step) m_step->output += line;
}

void DosConsole::PrintPrompt() {
    m_sink.MakeRoom(std::max<size_t>(m_current.size() + 6, 200));
    const std::string prompt = m_current + ">";
    m_sink.Insert(prompt);
    if (m_step) m_step->output += prompt;
}

void DosConsole::Fail(std::string_view text) {
    Insert(text);
    if (m_step) m_step->failed = true;
}

DosDecision DosConsole::Enter(std::string_view caretLine) {
    DosDecision d = Run(dos::CommandLineOf(caretLine));
    if (!d.close) {
        m_step = &d;
        PrintPrompt();
        m_step = nullptr;
    }
    return d;
}

DosDecision DosConsole::Run(std::string_view commandLine) {
    DosDecision d;
    d.commandLine = dos::Trim(commandLine);
    if (d.commandLine.empty()) return d;
    const dos::Split split = dos::SplitCommand(d.commandLine);
    d.word = split.word;
    d.argument = split.argument;
    m_step = &d;
    Dispatch(d.word, d.argument, d.commandLine);
    m_step = nullptr;
    return d;
}

void DosConsole::Dispatch(const std::string& word, const std::string& arg,
                          const std::string& line) {
    if (word == "cls") {
        m_sink.Clear();
        m_step->cleared = true;
        m_step->output.clear();
    } else if (word == "cd") {
        Cd(arg);
    } else if (word == "dir") {
        Dir(arg);
    } else if (word == "copy") {
        Copy(arg);
    } else if (word == "del") {
        Del(arg);
    } else if (word == "mkdir" || word == "md") {
        MkDir(arg);
    } else if (word == "rmdir" || word == "rd") {
        RmDir(arg);
    } else if (word == "help") {
        Help();
    } else if (word == "exit") {
        m_step->close = true;
    } else if (dos::IsDriveWord(word)) {
        ChangeDrive(word[0]);
    } else {
        Fail(Format("Unknown command '%s'", line.c_str()));
        Insert("\r\n");
    }
}

std::string DosConsole::Remembered(char drive) {
    const std::string key = dos::DriveKey(drive);
    std::string dir;
    m_store.ReadText(key, dir);
    // The store cuts long values, so a value that does not end in a
    // backslash is not a directory any more.
    return dos::UsableDirectory(dir, drive) ? dir : key + "\\";
}

void DosConsole::Remember(const std::string& dir) {
    m_store.WriteText(dos::DriveKey(dir[0]), dir);
}

std::string DosConsole::Resolve(const std::string& arg) {
    return dos::Resolve(arg, m_current, [this](char d) { return Remembered(d); });
}

std::string DosConsole::FirstFolder(const std::string& pattern) {
    const RecordList list = m_files.List(pattern);
    for (size_t i = 0; i < list.Count(); ++i) {
        const FileRecord r = list.At(i);
        // "." and ".." (which the handheld may list too) lead nowhere new.
        if (r.IsDirectory() && dos::AddressableName(r.Name()))
            return dos::FolderOf(pattern) + r.Name() + "\\";
    }
    return {};
}

void DosConsole::Cd(const std::string& arg) {
    if (!arg.empty() && arg != ".") {
        std::string target;
        if (arg == "\\")
            target = dos::DriveRoot(m_current);
        else if (arg == "..")
            target = dos::ParentDirectory(m_current);
        else if (arg[0] == '\\')
            target = m_current.substr(0, 2) + arg;
        else
            target = m_current + arg;
        if (!dos::EndsWithBackslash(target)) target += '\\';

        const bool device = target[0] == '1';
        bool found = false, asked = true;
        if (dos::HasWildcards(arg)) {
            target = FirstFolder(target.substr(0, target.size() - 1));
            found = !target.empty();
        } else if (device) {
            std::string bare = target.substr(2, target.size() - 3);
            if (bare.empty()) bare = "\\";
            const DosFiles::Probe probe = m_files.DeviceFolder(bare);
            found = probe == DosFiles::Probe::Exists;
            asked = probe != DosFiles::Probe::Failed;  // the client has logged it
        } else {
            found = m_files.DesktopFolder(target);
        }
        if (found) {
            m_current = target;
            Remember(m_current);
        } else if (asked) {
            Fail(Format("The system could not find the path specified '%s'", arg.c_str()));
            Insert("\r\n");
        } else {
            m_step->failed = true;
        }
    }
    Insert("\r\n\r\n");
}

void DosConsole::Dir(const std::string& arg) {
    const std::string path = Resolve(arg);
    const RecordList list = m_files.List(path);
    if (list.Empty()) {
        Fail("\r\nFile Not Found\r\n");
        return;
    }
    Insert(Format("\r\nDirectory of %s\r\n", path.c_str()));
    int files = 0, dirs = 0;
    for (size_t i = 0; i < list.Count(); ++i) {
        const FileRecord r = list.At(i);
        ++(r.IsDirectory() ? dirs : files);
        PrintLine(dos::DirLine(r));
    }
    Insert(Format("\t%d Files(s)", files));
    Insert("\r\n");
    Insert(Format("\t%d Dir(s)\r\n", dirs));
    Insert("\r\n");
}

void DosConsole::Copy(const std::string& arg) {
    const size_t space = arg.find(' ');
    const std::string srcArg = arg.substr(0, space);
    const std::string dstArg = space == std::string::npos ? "" : dos::Trim(arg.substr(space));
    const std::string src = Resolve(srcArg);
    std::string dst = Resolve(dstArg);

    const RecordList sources = m_files.List(src);
    if (sources.Empty()) {
        Fail("File not found");
        Insert("\r\n");
        return;
    }
    bool dstIsFolder = dos::EndsWithBackslash(dst);
    if (!dstIsFolder) {
        const RecordList d = m_files.List(dst);
        if (!d.Empty() && d.At(0).IsDirectory()) {
            dstIsFolder = true;
            dst += '\\';
        }
    }
    const std::string srcFolder = dos::FolderOf(src);
    bool overwriteAll = false;
    int copied = 0;
    for (size_t i = 0; i < sources.Count(); ++i) {
        const FileRecord r = sources.At(i);
        if (r.IsDirectory()) continue;
        const std::string name = r.Name();
        const std::string from = srcFolder + name;
        const std::string to = dstIsFolder ? dst + name : dst;
        // A listed name with a separator in it would address another file
        // than the one listed, possibly outside the destination folder.
        if (!dos::AddressableName(name)) {
            log::Forced("CDOSEdit::Copy:Skipping the entry '%s', its name is not usable",
                        name.c_str());
            Fail(Format("Error copying file %s to %s", from.c_str(), to.c_str()));
            Insert("\r\n");
            continue;
        }
        if (!overwriteAll && m_files.Exists(to)) {
            const OverwriteAnswer a = m_questions.AskOverwrite(
                Format("Destination file '%s' already exists!!", to.c_str()));
            if (a == OverwriteAnswer::Skip) {
                PrintLine(dos::Shown(to) + "     Skipped!");
                continue;
            }
            overwriteAll = a == OverwriteAnswer::OverwriteAll;
        }
        if (m_files.Copy(from, to, true)) {
            PrintLine(to);
            ++copied;
        } else {
            m_step->failed = true;
            PrintLine(Format("Error copying file %s to %s", from.c_str(), to.c_str()));
        }
    }
    Insert(Format("\t%d files(s) copied\r\n", copied));
}

void DosConsole::Del(const std::string& arg) {
    // A bare "del" would name the current directory and delete every file
    // in it unasked.
    if (arg.empty()) {
        Fail("The syntax of the command is incorrect.");
        Insert("\r\n");
        return;
    }
    const std::string path = Resolve(arg);
    const RecordList list = m_files.List(path);
    if (list.Empty()) {
        Fail("File not found");
        Insert("\r\n");
        return;
    }
    const std::string folder = dos::FolderOf(path);
    for (size_t i = 0; i < list.Count(); ++i) {
        const FileRecord r = list.At(i);
        if (r.IsDirectory()) continue;
        const std::string full = folder + r.Name();
        if (dos::AddressableName(r.Name()) && m_files.Delete(full)) {
            Insert(dos::Shown(full));
        } else {
            Fail(Format("Error deleting file %s", dos::Shown(full).c_str()));
        }
        Insert("\r\n");
    }
    Insert("\r\n\r\n");
}

void DosConsole::MkDir(const std::string& arg) {
    if (!m_files.MkDir(Resolve(arg))) {
        m_step->failed = true;
        PrintLine("Error creating directory");
    }
    PrintLine("\r\n");
}

void DosConsole::RmDir(const std::string& arg) {
    if (!m_files.RmDir(Resolve(arg))) {
        m_step->failed = true;
        PrintLine("Error removing directory");
    }
    PrintLine("\r\n");
}

void DosConsole::Help() {
    for (const std::string& line : dos::HelpLines()) PrintLine(line);
    PrintLine("");
}

void DosConsole::ChangeDrive(char drive) {
    std::string dir = Remembered(drive);
    bool ok = drive == '1';
    if (!ok) {
        ok = m_files.DesktopFolder(dir);
        // A remembered folder that has gone would otherwise bar the whole
        // drive for good: its root is tried next.
        if (!ok && dir != dos::DriveRoot(dir)) {
            dir = dos::DriveRoot(dir);
            ok = m_files.DesktopFolder(dir);
        }
    }
    if (!ok) {
        m_step->failed = true;
        PrintLine("The system could not find the drive specified");
        return;
    }
    m_current = dir;
    Remember(m_current);
}

}  // namespace hd::tools
