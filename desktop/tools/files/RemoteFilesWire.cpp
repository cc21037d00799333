// The handheld halves of the file client: every request is written and its
// reply read under one holding of the command lock, so no other command's
// bytes can come between them.
#include <sys/stat.h>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "common/ByteOrder.h"
#include "common/Codes.h"
#include "common/Log.h"
#include "desktop/tools/files/RemoteFilesInternal.h"
#include "desktop/tools/files/TextCodec.h"

namespace hd::tools::remotefiles {

namespace {

thread_local std::string t_lastError;

constexpr uint32_t kSendHeader = RemoteFiles::kPathFieldBytes + 4;  // the field and the size

// The reply's status byte; false when it could not be read.
bool ReadStatus(desktop::DesktopChannel& hc, uint8_t& status) {
    return hc.ReadFully(&status, 1) == READ_DONE;
}

bool WriteCommand(desktop::DesktopChannel& hc, uint8_t command) {
    return hc.WriteBytes(&command, 1);
}

}  // namespace

void Fail(const char* fmt, ...) {
    char text[1024];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(text, sizeof text, fmt, ap);
    va_end(ap);
    log::Forced("%s", text);
    // The first failure of a call is its cause; the caller's copy drops the
    // "Tag::Operation:" prefix.
    if (!t_lastError.empty()) return;
    std::string_view s(text);
    const size_t tag = s.find("::");
    if (tag != std::string_view::npos) {
        const size_t colon = s.find(':', tag + 2);
        if (colon != std::string_view::npos) {
            std::string_view head = s.substr(0, colon);
            while (!head.empty() && head.back() == ' ') head.remove_suffix(1);
            if (head.find(' ') == std::string_view::npos) {
                s.remove_prefix(colon + 1);
                while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
            }
        }
    }
    t_lastError.assign(s);
}

void ClearError() {
    t_lastError.clear();
}

}  // namespace hd::tools::remotefiles

namespace hd::tools::RemoteFiles {
const std::string& LastError() {
    return remotefiles::t_lastError;
}
}  // namespace hd::tools::RemoteFiles

namespace hd::tools::remotefiles {

bool CountedPath(std::string_view devicePath, std::vector<uint8_t>& out, const char* op) {
    std::u16string units;
    if (!Utf8ToUtf16(devicePath, units)) {
        Fail("FS::%s:Error path is not valid UTF-8", op);
        return false;
    }
    // The handheld's buffer holds 250 units with the terminator; a longer
    // path is refused rather than cut, which would name another entry.
    if (units.size() + 1 > RemoteFiles::kCountedPathUnits) {
        Fail("FS::%s:Error path of %zu characters is too long (at most %zu)", op, units.size(),
             RemoteFiles::kCountedPathUnits - 1);
        return false;
    }
    units.push_back(0);
    const size_t start = out.size();
    out.resize(start + 1 + 2 * units.size());
    out[start] = uint8_t(units.size());
    for (size_t i = 0; i < units.size(); ++i)
        put_le16(out.data() + start + 1 + 2 * i, uint16_t(units[i]));
    return true;
}

bool PathField(std::string_view devicePath, uint8_t* field, const char* op) {
    std::memset(field, 0, RemoteFiles::kPathFieldBytes);
    std::u16string units;
    if (!Utf8ToUtf16(devicePath, units)) {
        Fail("FS::%s:Error path is not valid UTF-8", op);
        return false;
    }
    if (units.size() + 1 > RemoteFiles::kPathFieldUnits) {
        Fail("FS::%s:Error path of %zu characters is too long (at most %zu)", op, units.size(),
             RemoteFiles::kPathFieldUnits - 1);
        return false;
    }
    for (size_t i = 0; i < units.size(); ++i) put_le16(field + 2 * i, uint16_t(units[i]));
    return true;
}

bool DeviceReadRecs(desktop::DesktopChannel& hc, std::string_view pattern, RecordList& out,
                    bool dirsOnly) {
    out.Clear(true);
    std::vector<uint8_t> request;
    if (!CountedPath(StripLocation(pattern), request, "ReadRecs")) return false;
    GrowBuffer packed, raw;
    {
        std::lock_guard lock(hc.Lock());
        uint8_t status = 0;
        if (!WriteCommand(hc, dirsOnly ? HC_HD_DIRTREE : HC_HD_DIR) ||
            !hc.WriteBytes(request.data(), uint32_t(request.size()))) {
            Fail("FS::ReadRecs:Error writing request to stream");
            return false;
        }
        if (!ReadStatus(hc, status)) {
            Fail("FS::ReadRecs:Error reading result from stream");
            return false;
        }
        if (status != 1) return false;  // nothing there, or an empty folder
        if (!hc.ReceiveNUnpack(packed, raw)) {
            Fail("FS::ReadRecs:Error getting unpacked data");
            return false;
        }
    }
    const size_t bytes = size_t(raw.used);
    if (bytes % devrec::kSize != 0)
        Fail("FS::ReadRecs:Error listing of %zu bytes is not a whole number of records", bytes);
    out = RecordList({raw.block, bytes}, true);
    return out.Count() > 0;
}

bool DeviceHasChildDirs(desktop::DesktopChannel& hc, std::string_view pattern, bool& has) {
    has = false;
    std::vector<uint8_t> request;
    if (!CountedPath(StripLocation(pattern), request, "HasChildDirs")) return false;
    std::lock_guard lock(hc.Lock());
    uint8_t status = 0;
    if (!WriteCommand(hc, HC_HD_HASCHILDDIRS) ||
        !hc.WriteBytes(request.data(), uint32_t(request.size()))) {
        Fail("FS::HasChildDirs:Error writing request to stream");
        return false;
    }
    if (!ReadStatus(hc, status)) {
        Fail("FS::HasChildDirs:Error reading result from stream");
        return false;
    }
    has = status == 1;
    return true;
}

bool DeviceCd(desktop::DesktopChannel& hc, std::string_view bare, bool& exists) {
    exists = false;
    std::vector<uint8_t> request;
    if (!CountedPath(bare, request, "Cd")) return false;
    std::lock_guard lock(hc.Lock());
    uint8_t status = 0;
    if (!WriteCommand(hc, HC_HD_CD) || !hc.WriteBytes(request.data(), uint32_t(request.size()))) {
        Fail("FS::Cd:Error writing request to stream");
        return false;
    }
    if (!ReadStatus(hc, status)) {
        Fail("FS::Cd:Error reading result from stream");
        return false;
    }
    exists = status == 1;
    return true;
}

bool DevicePathOp(desktop::DesktopChannel& hc, uint8_t command, std::string_view path, bool& ok,
                  const char* op) {
    ok = false;
    uint8_t field[RemoteFiles::kPathFieldBytes];
    if (!PathField(StripLocation(path), field, op)) return false;
    std::lock_guard lock(hc.Lock());
    uint8_t status = 0;
    if (!WriteCommand(hc, command) || !hc.WriteBytes(field, sizeof field)) {
        Fail("FS::%s:Error writing request to stream", op);
        return false;
    }
    if (!ReadStatus(hc, status)) {
        Fail("FS::%s:Error reading result from stream", op);
        return false;
    }
    ok = status == 1;
    if (!ok) Fail("FS::%s:Error returned from Pocket PC", op);
    return true;
}

bool DeviceRename(desktop::DesktopChannel& hc, std::string_view from, std::string_view to,
                  bool& ok) {
    ok = false;
    uint8_t request[2 * RemoteFiles::kPathFieldBytes];
    if (!PathField(StripLocation(from), request, "RenameFile") ||
        !PathField(StripLocation(to), request + RemoteFiles::kPathFieldBytes, "RenameFile"))
        return false;
    std::lock_guard lock(hc.Lock());
    uint8_t status = 0;
    if (!WriteCommand(hc, HC_HD_RENAME) || !hc.WriteBytes(request, sizeof request)) {
        Fail("FS::RenameFile:Error writing request to stream");
        return false;
    }
    if (!ReadStatus(hc, status)) {
        Fail("FS::RenameFile:Error reading result from stream");
        return false;
    }
    ok = status == 1;
    if (!ok) Fail("FS::RenameFile:Error returned from Pocket PC");
    return true;
}

bool DeviceCopy(desktop::DesktopChannel& hc, std::string_view from, std::string_view to,
                bool overwrite) {
    uint8_t request[2 * RemoteFiles::kPathFieldBytes + 2];
    if (!PathField(StripLocation(from), request, "FileCopy") ||
        !PathField(StripLocation(to), request + RemoteFiles::kPathFieldBytes, "FileCopy"))
        return false;
    request[2 * RemoteFiles::kPathFieldBytes] = overwrite ? 1 : 0;
    request[2 * RemoteFiles::kPathFieldBytes + 1] = 0;  // pad
    std::lock_guard lock(hc.Lock());
    uint8_t status = 0;
    if (!WriteCommand(hc, HC_HD2HD_COPY) || !hc.WriteBytes(request, sizeof request)) {
        Fail("FS::FileCopy:Error writing request to stream");
        return false;
    }
    if (!ReadStatus(hc, status)) {
        Fail("FS::FileCopy:Error reading result from stream");
        return false;
    }
    if (status != 1) {
        Fail("FS::FileCopy:Error returned from Pocket PC");
        return false;
    }
    return true;
}

}  // namespace hd::tools::remotefiles

namespace hd::tools::RemoteFiles {

using namespace remotefiles;

bool Desk2DeviceCopy(desktop::DesktopChannel& hc, std::string_view src, std::string_view dst) {
    ClearError();
    const std::string source(src);
    struct stat st {};
    if (::stat(source.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        // The size travels as 32 bits: a larger file would arrive cut.
        if (uint64_t(st.st_size) > kMaxDeviceFileSize) {
            Fail(
                "FS::Desk2DeviceCopy:Error %s is %llu bytes, too large for the handheld "
                "(4 GiB or more)",
                source.c_str(), static_cast<unsigned long long>(st.st_size));
            return false;
        }
        // The handheld refuses a transfer past its ceiling and drops the link.
        if (uint64_t(st.st_size) + kSendHeader > Channel::TransferCeiling()) {
            Fail(
                "FS::Desk2DeviceCopy:Error %s is %llu bytes, too large for one transfer "
                "(at most %u)",
                source.c_str(), static_cast<unsigned long long>(st.st_size),
                unsigned(Channel::TransferCeiling() - kSendHeader));
            return false;
        }
    }
    GrowBuffer packed, raw;
    uint8_t header[kSendHeader];
    if (!PathField(StripLocation(dst), header, "Desk2DeviceCopy")) return false;
    if (!grow::MakeRoom(raw, kSendHeader)) {
        Fail("FS::Desk2DeviceCopy:Error out of memory");
        return false;
    }
    raw.used = int32_t(kSendHeader);
    uint64_t size = 0;
    if (!ReadWholeFile(src, Channel::TransferCeiling() - kSendHeader, raw, size)) return false;
    put_be32(header + kPathFieldBytes, uint32_t(size));
    std::memcpy(raw.block, header, kSendHeader);

    std::lock_guard lock(hc.Lock());
    if (!WriteCommand(hc, HC_SEND_FILE)) {
        Fail("FS::Desk2DeviceCopy:Error writing cmd to stream");
        return false;
    }
    if (!hc.PackNSend(packed, raw.block, uint32_t(raw.used))) {
        Fail("FS::Desk2DeviceCopy:Error wriring packed data");
        return false;
    }
    uint8_t status = 0;
    if (!ReadStatus(hc, status)) {
        Fail("FS::SendFile:Error reading result from stream");
        return false;
    }
    if (status != 1) {
        Fail("FS::Desk2DeviceCopy:Error returned from Pocket PC");
        return false;
    }
    return true;
}

bool Device2DeskCopy(desktop::DesktopChannel& hc, std::string_view src, std::string_view dst) {
    ClearError();
    uint8_t field[kPathFieldBytes];
    if (!PathField(StripLocation(src), field, "Device2DeskCopy")) return false;
    GrowBuffer packed, raw;
    {
        std::lock_guard lock(hc.Lock());
        if (!WriteCommand(hc, HC_GET_FILE)) {
            Fail("FS::Device2DeskCopy:Error writing cmd to stream");
            return false;
        }
        if (!hc.WriteBytes(field, sizeof field)) {
            Fail("FS::Device2DeskCopy:Error writing pkt to stream");
            return false;
        }
        uint8_t status = 0;
        if (!ReadStatus(hc, status)) {
            Fail("FS::Device2DeskCopy:Error reading result from stream");
            return false;
        }
        if (status != 1) {
            Fail("FS::Device2DeskCopy:Error returned from Pocket PC");
            return false;
        }
        if (!hc.ReceiveNUnpack(packed, raw)) {
            Fail("FS::Device2DeskCopy:Error getting unpacked data");
            return false;
        }
    }
    packed.Free();
    const uint32_t received = uint32_t(raw.used);
    const uint32_t size = received >= 4 ? get_be32(raw.block) : 0;
    if (received < 4 || size > received - 4) {
        Fail("FS::Device2DeskCopy:Error file size %u does not match the %u bytes received",
             unsigned(size), unsigned(received));
        return false;
    }
    if (!WriteWholeFile(dst, raw.block + 4, size)) {
        Fail("FS::Device2DeskCopy:Error on Buf2File");
        return false;
    }
    return true;
}

}  // namespace hd::tools::RemoteFiles
