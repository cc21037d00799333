#include "agent/files/FileService.h"

#include <algorithm>
#include <vector>

#include "agent/Services.h"
#include "agent/files/Buf2File.h"
#include "agent/files/DirRecord.h"
#include "agent/platform/FileNames.h"
#include "common/ByteOrder.h"
#include "common/Codes.h"
#include "common/Log.h"

namespace hd {

namespace {

constexpr uint32_t kCopyRequest = 2 * FileService::kPathField + 2;  // two fields, overwrite, pad
constexpr uint32_t kRenameRequest = 2 * FileService::kPathField;
constexpr size_t kLogNameUnits = 100;
// A count byte can announce at most 255 units: the NUL always fits the buffer.
static_assert(255 < FileService::kMaxPath);

// A fixed path field: the string up to its NUL, at most 259 units whatever
// the peer sent, so it always ends inside the handheld's buffer.
std::u16string PathFromField(const uint8_t* field) {
    std::u16string path;
    for (size_t i = 0; i < FileService::kMaxPath - 1; ++i) {
        const char16_t unit = get_le16(field + 2 * i);
        if (unit == 0) break;
        path += unit;
    }
    return path;
}

std::string LogName(std::u16string_view path) {
    return platform::Utf16ToLogText(path, kLogNameUnits);
}

// The root itself: no search can name it, but it is always a folder.
bool IsRoot(std::u16string_view path) {
    return std::all_of(path.begin(), path.end(),
                       [](char16_t c) { return c == u'\\' || c == u'/'; });
}

// The most a file may hold to travel in one packed transfer after its size.
uint64_t MaxFileSize() {
    const uint64_t ceiling = Channel::TransferCeiling();
    return std::min<uint64_t>(UINT32_MAX, ceiling - std::min<uint64_t>(4, ceiling));
}

}  // namespace

FileService::FileService(std::unique_ptr<platform::Files> files,
                         std::unique_ptr<platform::Clipboard> clipboard, bool strictSearch)
    : m_files(std::move(files)), m_clipboard(std::move(clipboard)), m_strictSearch(strictSearch) {}

bool FileService::Find(std::u16string_view pattern,
                       const std::function<bool(const platform::FindData&)>& visit) {
    if (m_strictSearch && (pattern.empty() || pattern.back() == u'\\')) return false;
    return m_files->Find(pattern, visit);
}

bool FileService::Handle(uint8_t command, Channel& channel) {
    switch (command) {
        case HC_HD_CD:
            return Cd(channel);
        case HC_HD_DIR:
            return Dir(channel, false);
        case HC_HD_DIRTREE:
            return Dir(channel, true);
        case HC_HD_HASCHILDDIRS:
            return HasChildDirs(channel);
        case HC_HD_DEL:
            return Del(channel);
        case HC_HD2HD_COPY:
            return Hd2HdCopy(channel);
        case HC_HD_MKDIR:
            return MkDir(channel);
        case HC_HD_RMDIR:
            return RmDir(channel);
        case HC_SEND_FILE:
            return SendFile(channel);
        case HC_GET_FILE:
            return GetFile(channel);
        case HC_HD_RENAME:
            return RenameFile(channel);
        case HC_SET_CLIPTEXT:
            return SetClipText(channel);
        case HC_GET_CLIPTEXT:
            return GetClipText(channel);
        default:
            return true;  // not one of ours
    }
}

void FileService::FreeBuffers() {
    m_raw.Free();
    m_packed.Free();
}

bool FileService::WriteStatus(Channel& channel, bool ok, const char* error) {
    const uint8_t status = ok ? 1 : 0;
    if (channel.WriteBytes(&status, 1)) return true;
    log::Forced("%s", error);
    return false;
}

bool FileService::GetLen(Channel& channel, std::u16string& path) {
    uint8_t count = 0;
    if (channel.ReadFully(&count, 1) != READ_DONE) {
        log::Forced("DM::GetLen:Error reading length");
        return false;
    }
    uint8_t units[2 * 255];
    if (count != 0 && channel.ReadFully(units, 2u * count) != READ_DONE) {
        log::Forced("DM::GetLen:Error reading path");
        return false;
    }
    path.clear();
    for (size_t i = 0; i < count; ++i) {
        const char16_t unit = get_le16(units + 2 * i);
        if (unit == 0) break;
        path += unit;
    }
    return true;
}

bool FileService::HasSubdirs(std::u16string_view pattern) {
    bool found = false;
    Find(pattern, [&](const platform::FindData& e) {
        found = (e.attributes & platform::kAttrDirectory) && e.name != u"." && e.name != u"..";
        return !found;
    });
    return found;
}

bool FileService::Cd(Channel& channel) {
    std::u16string path;
    if (!GetLen(channel, path)) {
        log::Forced("DM::Cd:Error retrieving dir");
        return false;
    }
    bool isDir = !m_strictSearch && IsRoot(path);
    if (!isDir) {
        Find(path, [&](const platform::FindData& e) {
            isDir = e.attributes & platform::kAttrDirectory;
            return false;  // the first entry decides
        });
    }
    return WriteStatus(channel, isDir, "DM::Cd:Error writing ret");
}

bool FileService::Dir(Channel& channel, bool dirsOnly) {
    std::u16string pattern;
    if (!GetLen(channel, pattern)) {
        log::Forced("DM::Dir:Error retrieving dir");
        return false;
    }
    m_raw.used = 0;
    bool complete = true;
    uint8_t record[dirrecord::kSize];
    Find(pattern, [&](const platform::FindData& e) {
        if (dirsOnly && !(e.attributes & platform::kAttrDirectory)) return true;
        BuildDirRecord(e, record);
        if (dirsOnly) {
            // The child pattern: the request less its three-character
            // wildcard, the folder's name, then "\*.*".
            std::u16string child =
                pattern.substr(0, pattern.size() - std::min<size_t>(3, pattern.size()));
            child += e.name;
            child += u"\\*.*";
            uint32_t attributes = e.attributes & ~kAttrHasSubdirs;
            if (HasSubdirs(child)) attributes |= kAttrHasSubdirs;
            put_le32(record + dirrecord::kAttributes, attributes);
        }
        // A listing that cannot grow, or that the desktop would refuse as
        // one transfer, is not sent cut short.
        complete = uint64_t(m_raw.used) + dirrecord::kSize <= Channel::TransferCeiling() &&
                   grow::AddBytes(m_raw, record, dirrecord::kSize);
        if (!complete) log::Forced("DM::Dir:Error listing too large for one transfer");
        return complete;
    });
    const bool ok = complete && m_raw.used > 0;
    if (!WriteStatus(channel, ok, "DM::Dir:Error writing ret")) {
        FreeBuffers();
        return false;
    }
    bool sent = true;
    if (ok && !channel.PackNSend(m_packed, m_raw.block, uint32_t(m_raw.used))) {
        log::Forced("DM::Dir:Error writing dir");
        sent = false;
    }
    FreeBuffers();
    return sent;
}

bool FileService::HasChildDirs(Channel& channel) {
    std::u16string pattern;
    if (!GetLen(channel, pattern)) {
        log::Forced("DM::HasChildDirs:Error retrieving dir");
        return false;
    }
    return WriteStatus(channel, HasSubdirs(pattern), "DM::HasChildDirs:Error writing ret");
}

bool FileService::PathOp(Channel& channel, const PathOpTexts& texts,
                         bool (platform::Files::*op)(std::u16string_view)) {
    uint8_t field[kPathField];
    if (channel.ReadFully(field, kPathField) != READ_DONE) {
        log::Forced("%s", texts.readError);
        return false;
    }
    const std::u16string path = PathFromField(field);
    const bool ok = (m_files.get()->*op)(path);
    if (!ok) log::Forced(texts.failure, LogName(path).c_str(), m_files->LastError());
    return WriteStatus(channel, ok, texts.writeError);
}

bool FileService::Del(Channel& channel) {
    return PathOp(channel,
                  {"DM::Del:Error reading HC_HD_DEL", "DM::Del:Error writing ret",
                   "DM::Del:Error deleting %s errno=%d"},
                  &platform::Files::DeleteFile);
}

bool FileService::MkDir(Channel& channel) {
    return PathOp(channel,
                  {"DM::MkDir:Error reading HC_HD_MKDIR", "DM::MkDir:Error writing ret",
                   "DM::MkDir:Error creating %s errno=%d"},
                  &platform::Files::CreateDirectory);
}

bool FileService::RmDir(Channel& channel) {
    return PathOp(channel,
                  {"DM::RmDir:Error reading HC_HD_RMDIR", "DM::RmDir:Error writing ret",
                   "DM::RmDir:Error removing %s errno=%d"},
                  &platform::Files::RemoveDirectory);
}

bool FileService::Hd2HdCopy(Channel& channel) {
    uint8_t request[kCopyRequest];
    if (channel.ReadFully(request, kCopyRequest) != READ_DONE) {
        log::Forced("DM::Hd2HdCopy:Error reading HC_HD2HD_COPY");
        return false;
    }
    const std::u16string from = PathFromField(request);
    const std::u16string to = PathFromField(request + kPathField);
    const bool overwrite = request[2 * kPathField] != 0;  // the pad byte after it is ignored
    log::Log("DM::Hd2HdCopy src=%s, dst=%s Overwrite=%s", LogName(from).c_str(),
             LogName(to).c_str(), overwrite ? "true" : "false");
    const bool ok = m_files->CopyFile(from, to, !overwrite);
    if (!ok)
        log::Forced("DM::Hd2HdCopy:Error copying %s to %s errno=%d", LogName(from).c_str(),
                    LogName(to).c_str(), m_files->LastError());
    return WriteStatus(channel, ok, "DM::Hd2HdCopy:Error writing ret");
}

bool FileService::RenameFile(Channel& channel) {
    uint8_t request[kRenameRequest];
    if (channel.ReadFully(request, kRenameRequest) != READ_DONE) {
        log::Forced("DM::RenameFile:Error reading HC_HD_RENAME");
        return false;
    }
    const std::u16string from = PathFromField(request);
    const std::u16string to = PathFromField(request + kPathField);
    const bool ok = m_files->MoveFile(from, to);
    log::Log("DM::RenameFile OrigFileName=%s, NewFileName=%s ret=%d", LogName(from).c_str(),
             LogName(to).c_str(), ok ? 1 : 0);
    if (!ok)
        log::Forced("DM::RenameFile:Error renaming %s to %s errno=%d", LogName(from).c_str(),
                    LogName(to).c_str(), m_files->LastError());
    return WriteStatus(channel, ok, "DM::RenameFile:Error writing ret");
}

bool FileService::SendFile(Channel& channel) {
    if (!channel.ReceiveNUnpack(m_packed, m_raw)) {  // the channel logged why
        log::Forced("DM::SendFile:Error receiving the file");
        FreeBuffers();
        return false;
    }
    bool ok = false;
    const uint32_t received = uint32_t(m_raw.used);
    if (received < kSendHeader) {
        log::Forced("DM::SendFile:Error packet of %u bytes is shorter than its header",
                    unsigned(received));
    } else {
        const std::u16string path = PathFromField(m_raw.block);
        const uint32_t size = get_be32(m_raw.block + kPathField);
        log::Log("DM::SendFile DstFileName=%s, FileSize=%d pktsize=%d m_OutLen=%d",
                 LogName(path).c_str(), int(size), int(kSendHeader), int(received));
        // A size past the bytes received would write memory that is not the
        // file's: nothing is written.
        if (size > received - kSendHeader)
            log::Forced("DM::SendFile:Error file size %u exceeds the %u bytes received",
                        unsigned(size), unsigned(received - kSendHeader));
        else if (!Buf2File::WriteWholeFile(*m_files, path, m_raw.block + kSendHeader, size))
            log::Forced("DM::SendFile:Error writing file");
        else
            ok = true;
    }
    const bool written = WriteStatus(channel, ok, "DM::SendFile:Error writing ret");
    FreeBuffers();
    return written;
}

bool FileService::GetFile(Channel& channel) {
    uint8_t field[kPathField];
    if (channel.ReadFully(field, kPathField) != READ_DONE) {
        log::Forced("DM::GetFile:Error reading HC_GET_FILE pkt");
        return false;
    }
    const std::u16string path = PathFromField(field);
    // The image goes straight behind its 4-byte size in the raw buffer.
    m_raw.used = 0;
    uint32_t size = 0;
    const bool ok = grow::AddLong(m_raw, 0) &&
                    Buf2File::ReadWholeFile(*m_files, path, MaxFileSize(), m_raw, size);
    if (!ok) log::Forced("DM::GetFile:Error reading HC_GET_FILE pkt");
    const bool written = WriteStatus(channel, ok, "DM::GetFile:Error writing ret");
    if (!written || !ok) {
        FreeBuffers();
        return written;
    }
    put_be32(m_raw.block, size);
    if (!channel.PackNSend(m_packed, m_raw.block, uint32_t(m_raw.used))) {
        log::Forced("DM::SendFile:Error on PackNSend");
        FreeBuffers();
        return false;
    }
    return true;  // the buffers stay for the next transfer
}

bool FileService::SetClipText(Channel& channel) {
    if (!channel.ReceiveNUnpack(m_packed, m_raw)) {
        log::Forced("DM::SetClipText:Error receiving the text");
        FreeBuffers();
        return false;
    }
    const bool ok = m_clipboard->SetUnicodeText(m_raw.block, size_t(m_raw.used));
    if (!ok) log::Forced("DM::SetClipText:Error setting the clipboard text");
    const bool written = WriteStatus(channel, ok, "DM::SetClipText:Error writing ret");
    FreeBuffers();
    return written;
}

bool FileService::GetClipText(Channel& channel) {
    std::vector<uint8_t> text;
    if (m_clipboard->GetUnicodeText(text))
        log::Log("C::GetText nSize=%d, *pBufSize=%d", int(text.size()), int(text.size()));
    // Text the desktop would refuse as one transfer is not offered.
    const bool ok = !text.empty() && text.size() <= Channel::TransferCeiling();
    if (!WriteStatus(channel, ok, "DM::GetClipText:Error writing ret")) return false;
    if (!ok) return true;
    // The whole block goes, its NUL included, straight from the copy.
    const bool sent = channel.PackNSend(m_packed, text.data(), uint32_t(text.size()));
    if (!sent) log::Forced("DM::GetClipText:Error sending the text");
    FreeBuffers();
    return sent;
}

std::unique_ptr<CommandHandler> CreateFileService(const DeviceContext& device) {
    return std::make_unique<FileService>(platform::CreateFiles(device.root),
                                         platform::CreateClipboard(device.kind),
                                         device.strictSearch);
}

}  // namespace hd
