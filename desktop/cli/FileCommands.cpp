// ls, get, put, cp, mv, rm, mkdir, rmdir, ren and clip: the file client and
// the transfer engine from the terminal. A path starting with "1:" lies on the
// handheld ("1:\My Documents\a.txt"; "/" may stand for "\" there); any other
// path is a desktop path, made absolute so that a name starting with "1"
// never reads as a handheld path.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <sstream>

#include "desktop/cli/Command.h"
#include "desktop/cli/TransferTerminal.h"
#include "desktop/tools/files/RemoteFiles.h"
#include "desktop/tools/transfer/TransferEngine.h"

namespace hd::cli {

namespace {

using tools::FileRecord;
using tools::RecordList;
namespace RemoteFiles = tools::RemoteFiles;

bool IsHandheldArg(const std::string& p) {
    return p.size() >= 2 && p[0] == '1' && p[1] == ':';
}

// The location-carrying path of an argument.
std::string Locate(const std::string& arg) {
    if (IsHandheldArg(arg)) {
        std::string p = arg;
        std::replace(p.begin(), p.end(), '/', '\\');
        if (p.size() == 2 || p[2] != '\\') p.insert(2, "\\");
        return p;
    }
    std::error_code ec;
    std::filesystem::path abs = std::filesystem::absolute(arg, ec);
    std::string p = ec ? arg : abs.lexically_normal().string();
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    return p;
}

bool HasWildcard(const std::string& path) {
    return tools::LastComponent(path).find_first_of("*?") != std::string::npos;
}

bool IsRoot(const std::string& path) {
    return path == "1:\\" || path == "/";
}

// Whether the path names an existing folder (the user's own path: a desktop
// link to a folder counts).
bool IsFolder(desktop::DesktopChannel& hc, const std::string& path) {
    if (tools::IsDevicePath(path)) {
        bool exists = false;
        return RemoteFiles::Cd(hc, tools::StripLocation(path), exists) && exists;
    }
    std::error_code ec;
    return std::filesystem::is_directory(path, ec);
}

std::string Reason() {
    const std::string& e = RemoteFiles::LastError();
    return e.empty() ? std::string() : ": " + e;
}

int Failed(const std::string& what) {
    Fail(what + Reason());
    return EXIT_FAILED;
}

std::string LocalStamp(uint64_t fileTime) {
    const time_t t = time_t(tools::UnixFromFileTime(fileTime));
    struct tm local {};
    char text[32] = "";
    if (localtime_r(&t, &local)) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return text;
}

void PrintRecord(const FileRecord& r) {
    char size[24];
    if (r.IsDirectory())
        std::snprintf(size, sizeof size, "%s", "<DIR>");
    else
        std::snprintf(size, sizeof size, "%llu", static_cast<unsigned long long>(r.FileSize()));
    std::printf("%12s  %s  %s\n", size, LocalStamp(r.LastWriteTime()).c_str(), r.Name().c_str());
}

void PrintList(const RecordList& list) {
    std::vector<FileRecord> rows;
    for (size_t i = 0; i < list.Count(); ++i) {
        FileRecord r = list.At(i);
        const std::string n = r.Name();
        if (n != "." && n != "..") rows.push_back(r);
    }
    std::sort(rows.begin(), rows.end(),
              [](const FileRecord& a, const FileRecord& b) { return a.Name() < b.Name(); });
    for (const FileRecord& r : rows) PrintRecord(r);
}

// ---- argument checks ----

std::string CheckCount(const std::vector<std::string>& a, size_t n, const char* usage) {
    return a.size() == n ? "" : std::string("usage: ") + usage;
}

std::string CheckLs(const std::vector<std::string>& a) {
    return CheckCount(a, 1, "ls PATH");
}
std::string CheckGet(const std::vector<std::string>& a) {
    if (a.size() != 2) return "usage: get DEVICEPATH LOCALPATH";
    if (!IsHandheldArg(a[0]) || IsHandheldArg(a[1]))
        return "get copies from a handheld path (1:\\...) to a desktop path";
    return "";
}
std::string CheckPut(const std::vector<std::string>& a) {
    if (a.size() != 2) return "usage: put LOCALPATH DEVICEPATH";
    if (IsHandheldArg(a[0]) || !IsHandheldArg(a[1]))
        return "put copies from a desktop path to a handheld path (1:\\...)";
    return "";
}
std::string CheckTransfer(const std::vector<std::string>& a) {
    const size_t n = !a.empty() && a[0] == "--yes" ? 3 : 2;
    return a.size() == n ? "" : "usage: cp|mv [--yes] SRC DST";
}
std::string CheckRm(const std::vector<std::string>& a) {
    return a.empty() ? "usage: rm PATH..." : "";
}
std::string CheckOne(const std::vector<std::string>& a) {
    return CheckCount(a, 1, "mkdir|rmdir PATH");
}
std::string CheckRen(const std::vector<std::string>& a) {
    if (a.size() != 2) return "usage: ren OLD NEW";
    if (IsHandheldArg(a[0]) != IsHandheldArg(a[1]))
        return "ren needs both paths on the same machine";
    return "";
}
std::string CheckClip(const std::vector<std::string>& a) {
    if (!a.empty() && a[0] == "get" && a.size() == 1) return "";
    if (!a.empty() && a[0] == "set" && a.size() <= 2) return "";
    return "usage: clip get | clip set [TEXT]";
}

// ---- commands ----

int Ls(Context& c) {
    desktop::DesktopChannel& hc = c.session.Command();
    const std::string path = Locate(c.options.args[0]);
    RecordList list;
    if (HasWildcard(path)) {
        if (!RemoteFiles::ReadRecs(hc, path, list)) return Failed("nothing matches " + path);
        PrintList(list);
        return EXIT_DONE;
    }
    if (IsRoot(path) || IsFolder(hc, path)) {
        RemoteFiles::ReadRecs(hc, tools::JoinPath(path, "*.*"), list);
        if (!RemoteFiles::LastError().empty()) return Failed("cannot list " + path);
        PrintList(list);
        return EXIT_DONE;
    }
    bool found = false;
    FileRecord record;
    if (!RemoteFiles::GetFileInfo(hc, path, found, record) || !found)
        return Failed("no such file or folder: " + path);
    PrintRecord(record);
    return EXIT_DONE;
}

// A copy of one file between the machines, with the progress line.
int CopyOne(Context& c, const std::string& src, std::string dst, bool toDevice) {
    desktop::DesktopChannel& hc = c.session.Command();
    if (IsFolder(hc, dst)) dst = tools::JoinPath(dst, tools::LastComponent(src));
    TransferProgress progress(c.session.Manager().Stats());
    progress.Begin(tools::LastComponent(src));
    const bool ok = toDevice ? RemoteFiles::Desk2DeviceCopy(hc, src, dst)
                             : RemoteFiles::Device2DeskCopy(hc, src, dst);
    progress.End();
    return ok ? EXIT_DONE : Failed("cannot copy " + src + " to " + dst);
}

int Get(Context& c) {
    return CopyOne(c, Locate(c.options.args[0]), Locate(c.options.args[1]), false);
}

int Put(Context& c) {
    return CopyOne(c, Locate(c.options.args[0]), Locate(c.options.args[1]), true);
}

// cp and mv: the transfer engine on one entry. An existing folder as DST
// receives the entry under its own name; otherwise DST names the new entry.
int Transfer(Context& c, tools::TransferList::Operation op) {
    desktop::DesktopChannel& hc = c.session.Command();
    const bool yes = c.options.args[0] == "--yes";
    const std::string src = Locate(c.options.args[yes ? 1 : 0]);
    const std::string dst = Locate(c.options.args[yes ? 2 : 1]);
    if (IsRoot(src)) return Failed("cannot copy or move a root folder");
    bool found = false;
    FileRecord record;
    if (!RemoteFiles::GetFileInfo(hc, src, found, record) || !found)
        return Failed("no such file or folder: " + src);

    TransferProgress progress(c.session.Manager().Stats());
    TransferTerminal ui(progress, yes);
    tools::TransferEngine engine(hc, ui);
    tools::TransferList list;
    list.operation = op;
    const std::string name = tools::LastComponent(src);
    std::string destFolder = dst;
    if (!IsFolder(hc, dst)) {
        destFolder = tools::ParentPath(dst);
        const std::string newName = tools::LastComponent(dst);
        if (newName != name) {
            if (record.IsDirectory()) {
                // A folder under a new name: create it, then carry the contents.
                bool ok = false;
                if (!RemoteFiles::MkDir(hc, dst, ok) || !ok) return Failed("cannot create " + dst);
                list.sourceFolder = src;
                engine.Fill(list);
                const bool done = engine.Run(list, dst);
                if (done && op == tools::TransferList::Move &&
                    (!RemoteFiles::RmDir(hc, src, ok) || !ok))
                    return Failed("cannot remove " + src);
                return done ? EXIT_DONE : EXIT_FAILED;
            }
            // A file under a new name: the replace question, then the copy.
            bool exists = false;
            FileRecord old;
            if (RemoteFiles::GetFileInfo(hc, dst, exists, old) && exists && !yes) {
                const auto a = ui.ConfirmReplace(newName, tools::TransferEngine::Describe(old),
                                                 tools::TransferEngine::Describe(record));
                if (a == tools::TransferUi::No) return EXIT_DONE;
                if (a == tools::TransferUi::Cancel) return EXIT_FAILED;
            }
            ui.ShowWait(tools::kWaitPrefix + name);
            const bool copied = RemoteFiles::FileCopy(hc, src, dst, true);
            ui.CloseWait();
            if (!copied) return Failed("cannot copy " + src + " to " + dst);
            bool ok = false;
            if (op == tools::TransferList::Move && (!RemoteFiles::FileDelete(hc, src, ok) || !ok))
                return Failed("cannot delete " + src);
            return EXIT_DONE;
        }
    }
    list.sourceFolder = tools::ParentPath(src);
    list.entries.push_back({record.Attributes(), name});
    return engine.Run(list, destFolder) ? EXIT_DONE : EXIT_FAILED;
}

int Cp(Context& c) {
    return Transfer(c, tools::TransferList::Copy);
}

int Mv(Context& c) {
    return Transfer(c, tools::TransferList::Move);
}

int Rm(Context& c) {
    desktop::DesktopChannel& hc = c.session.Command();
    TransferProgress progress(c.session.Manager().Stats());
    TransferTerminal ui(progress, false);
    tools::TransferEngine engine(hc, ui);
    int code = EXIT_DONE;
    for (const std::string& arg : c.options.args) {
        const std::string path = Locate(arg);
        bool found = false;
        FileRecord record;
        if (IsRoot(path) || !RemoteFiles::GetFileInfo(hc, path, found, record) || !found) {
            code = Failed("no such file or folder: " + path);
            continue;
        }
        tools::TransferList list;
        list.operation = tools::TransferList::Delete;
        list.sourceFolder = tools::ParentPath(path);
        list.entries.push_back({record.Attributes(), tools::LastComponent(path)});
        if (!engine.Run(list, "")) return EXIT_FAILED;
    }
    return code;
}

int PathOp(Context& c, bool (*op)(desktop::DesktopChannel&, std::string_view, bool&),
           const char* what) {
    const std::string path = Locate(c.options.args[0]);
    bool ok = false;
    if (!op(c.session.Command(), path, ok) || !ok) return Failed(std::string(what) + path);
    return EXIT_DONE;
}

int MkDir(Context& c) {
    return PathOp(c, RemoteFiles::MkDir, "cannot create ");
}

int RmDir(Context& c) {
    return PathOp(c, RemoteFiles::RmDir, "cannot remove ");
}

int Ren(Context& c) {
    const std::string from = Locate(c.options.args[0]), to = Locate(c.options.args[1]);
    bool ok = false;
    if (!RemoteFiles::RenameFile(c.session.Command(), from, to, ok) || !ok)
        return Failed("cannot rename " + from + " to " + to);
    return EXIT_DONE;
}

int Clip(Context& c) {
    tools::MemoryClipboard clipboard;
    desktop::DesktopChannel& hc = c.session.Command();
    if (c.options.args[0] == "get") {
        bool got = false;
        if (!RemoteFiles::GetClipText(hc, clipboard, got))
            return Failed("cannot read the handheld clipboard");
        if (!got) {
            Fail("the handheld clipboard holds no text");
            return EXIT_FAILED;
        }
        const std::string text = clipboard.Text().value_or("");
        std::fwrite(text.data(), 1, text.size(), stdout);
        return EXIT_DONE;
    }
    std::string text;
    if (c.options.args.size() == 2) {
        text = c.options.args[1];
    } else {
        std::ostringstream in;
        in << std::cin.rdbuf();
        text = in.str();
    }
    if (text.empty()) {
        Fail("no text to set");
        return EXIT_FAILED;
    }
    clipboard.SetText(text);
    bool accepted = false;
    if (!RemoteFiles::SetClipText(hc, clipboard, accepted) || !accepted)
        return Failed("cannot set the handheld clipboard");
    return EXIT_DONE;
}

}  // namespace

std::vector<Command> FileCommands() {
    return {
        {"ls", "ls PATH", "list a folder, pattern or file (1:\\... is the handheld)", CheckLs, Ls,
         false},
        {"get", "get DEVICEPATH LOCALPATH", "copy a file from the handheld", CheckGet, Get, false},
        {"put", "put LOCALPATH DEVICEPATH", "copy a file to the handheld", CheckPut, Put, false},
        {"cp", "cp [--yes] SRC DST", "copy files or folders, either machine", CheckTransfer, Cp,
         false},
        {"mv", "mv [--yes] SRC DST", "move files or folders, either machine", CheckTransfer, Mv,
         false},
        {"rm", "rm PATH...", "delete files or folders (folders with their contents)", CheckRm, Rm,
         false},
        {"mkdir", "mkdir PATH", "create a folder", CheckOne, MkDir, false},
        {"rmdir", "rmdir PATH", "remove an empty folder", CheckOne, RmDir, false},
        {"ren", "ren OLD NEW", "rename or move an entry on one machine", CheckRen, Ren, false},
        {"clip", "clip get|set [TEXT]", "handheld clipboard text to stdout, or from TEXT/stdin",
         CheckClip, Clip, false},
    };
}

}  // namespace hd::cli
