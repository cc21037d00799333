#include "desktop/tools/transfer/TransferEngine.h"

#include <cinttypes>
#include <cstdio>
#include <ctime>

#include "common/Log.h"
#include "desktop/tools/files/RemoteFiles.h"

namespace hd::tools {

namespace {

// Path text as the location compares it: the handheld ignores case.
std::string Comparable(std::string_view path) {
    std::string s(path);
    const char sep = PathSeparator(path);
    while (s.size() > 1 && s.back() == sep) s.pop_back();
    if (IsDevicePath(path))
        for (char& c : s)
            if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

// The destination is the source itself or lies inside it: copying would
// recurse without end, and a move would delete what it just wrote.
bool SameOrInside(const std::string& source, const std::string& destination) {
    if (IsDevicePath(source) != IsDevicePath(destination)) return false;
    const std::string s = Comparable(source), d = Comparable(destination);
    if (d == s) return true;
    return d.size() > s.size() && d.compare(0, s.size(), s) == 0 &&
           (d[s.size()] == PathSeparator(source) || s.back() == PathSeparator(source));
}

}  // namespace

std::string TransferEngine::FormatTime(uint64_t fileTime) {
    const time_t t = time_t(UnixFromFileTime(fileTime));
    struct tm local {};
    if (!localtime_r(&t, &local)) return "";
    int hour = local.tm_hour % 12;
    if (hour == 0) hour = 12;
    char text[64];
    std::snprintf(text, sizeof text, "%.2d/%.2d/%.4d %.2d:%.2d%s", local.tm_mday, local.tm_mon + 1,
                  local.tm_year + 1900, hour, local.tm_min, local.tm_hour < 12 ? "AM" : "PM");
    return text;
}

std::string TransferEngine::Describe(const FileRecord& record) {
    // The whole size: its low word alone would misstate files of 4 GiB and more.
    char text[128];
    std::snprintf(text, sizeof text, "%" PRIu64 " Bytes, modified %s", record.FileSize(),
                  FormatTime(record.LastWriteTime()).c_str());
    return text;
}

bool TransferEngine::Run(TransferList& list, const std::string& destFolder) {
    RunFlags flags;
    const bool done = RunLevel(list, destFolder, flags);
    if (list.operation == TransferList::Delete) list.entries.clear();
    return done;
}

void TransferEngine::Fill(TransferList& list) {
    list.entries.clear();
    RecordList records;
    if (!RemoteFiles::ReadRecs(m_channel, JoinPath(list.sourceFolder, "*.*"), records, false))
        return;
    for (size_t i = 0; i < records.Count(); ++i) {
        const FileRecord r = records.At(i);
        std::string name = r.Name();
        if (r.IsDirectory() && (name == "." || name == "..")) continue;
        if (!IsSafeEntryName(name)) {
            log::Forced("TransferEngine::Fill:Error entry \"%s\" of %s skipped: unsafe name",
                        name.c_str(), list.sourceFolder.c_str());
            m_ui.Skipped(list.sourceFolder, name);
            continue;
        }
        list.entries.push_back({r.Attributes(), std::move(name), r.FileSize()});
    }
}

bool TransferEngine::AskContinue(const std::string& what) {
    log::Forced("TransferEngine::Run:Error %s", what.c_str());
    return m_ui.AskContinue(what);
}

bool TransferEngine::Confirm(const std::string& name, const std::string& source,
                             const std::string& destination, RunFlags& flags) {
    bool found = false;
    FileRecord existing, incoming;
    if (!RemoteFiles::GetFileInfo(m_channel, destination, found, existing) || !found) {
        flags.approved = true;  // nothing to replace
        return true;
    }
    bool sourceFound = false;
    if (!RemoteFiles::GetFileInfo(m_channel, source, sourceFound, incoming) || !sourceFound)
        incoming = FileRecord();
    switch (m_ui.ConfirmReplace(name, Describe(existing), Describe(incoming))) {
        case TransferUi::Yes:
            flags.approved = true;
            return true;
        case TransferUi::YesToAll:
            flags.yesToAll = true;
            return true;
        case TransferUi::No:
            flags.skip = true;
            return true;
        case TransferUi::Cancel:
        default:
            return false;
    }
}

bool TransferEngine::RunLevel(TransferList& list, const std::string& destFolder, RunFlags& flags) {
    const bool deleting = list.operation == TransferList::Delete;
    const bool moving = list.operation == TransferList::Move;
    for (const TransferEntry& entry : list.entries) {
        if (m_ui.Cancelled()) return false;
        flags.approved = false;
        flags.skip = false;
        const std::string source = JoinPath(list.sourceFolder, entry.name);
        const std::string destination = JoinPath(destFolder, entry.name);
        if (!deleting && SameOrInside(source, destination)) {
            if (!AskContinue(destination + " is " + source + " or lies inside it")) return false;
            continue;
        }
        if (!deleting && !flags.yesToAll) {
            if (!Confirm(entry.name, source, destination, flags)) return false;
            if (flags.skip) continue;  // a skipped move leaves the entry where it is
        }
        m_ui.ShowWait(kWaitPrefix + entry.name);
        bool ok = false;
        if (entry.attributes & kAttrDirectory) {
            if (!deleting && (!RemoteFiles::MkDir(m_channel, destination, ok) || !ok) &&
                !flags.approved &&
                !AskContinue("cannot create " + destination + ": " + RemoteFiles::LastError())) {
                m_ui.CloseWait();
                return false;
            }
            TransferList sub;
            sub.operation = list.operation;
            sub.sourceFolder = source;
            Fill(sub);
            if (!RunLevel(sub, destination, flags)) {
                m_ui.CloseWait();
                return false;
            }
            if ((moving || deleting) && (!RemoteFiles::RmDir(m_channel, source, ok) || !ok) &&
                !AskContinue("cannot remove " + source + ": " + RemoteFiles::LastError())) {
                m_ui.CloseWait();
                return false;
            }
        } else {
            if (!deleting && !RemoteFiles::FileCopy(m_channel, source, destination, true)) {
                const bool goOn = AskContinue("cannot copy " + source + " to " + destination +
                                              ": " + RemoteFiles::LastError());
                m_ui.CloseWait();
                if (!goOn) return false;
                continue;  // a moved file whose copy failed stays at its source
            }
            if ((moving || deleting) && (!RemoteFiles::FileDelete(m_channel, source, ok) || !ok) &&
                !AskContinue("cannot delete " + source + ": " + RemoteFiles::LastError())) {
                m_ui.CloseWait();
                return false;
            }
            m_ui.FileDone(entry.size);
        }
        m_ui.CloseWait();
    }
    return true;
}

}  // namespace hd::tools
