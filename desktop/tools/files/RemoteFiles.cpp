// The file client's routing: each operation picks the handheld exchange or
// the desktop call by the location of its path, so callers treat both
// machines alike. Also the desktop clipboard's conversions (C).
#include "desktop/tools/files/RemoteFiles.h"

#include <mutex>

#include "common/ByteOrder.h"
#include "common/Codes.h"
#include "common/Log.h"
#include "desktop/tools/files/RemoteFilesInternal.h"
#include "desktop/tools/files/TextCodec.h"

namespace hd::tools {

using namespace remotefiles;

namespace {
// Both paths of a rename must lie on one machine: a desktop path sent to the
// handheld (or the reverse) would name some other entry.
bool SameMachine(std::string_view a, std::string_view b, const char* op) {
    if (IsDevicePath(a) == IsDevicePath(b)) return true;
    Fail("FS::%s:Error %.*s and %.*s lie on different machines", op, int(a.size()), a.data(),
         int(b.size()), b.data());
    return false;
}

// A handheld path without the separators that end it ("\a\" -> "\a",
// "\" -> ""). The handheld's own search finds nothing for a path that ends
// in a backslash, nor for the bare root, so neither may reach it as a folder
// test or a lookup.
std::string_view DropTrailingSeparators(std::string_view path) {
    while (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.remove_suffix(1);
    return path;
}
}  // namespace

namespace RemoteFiles {

bool ReadRecs(desktop::DesktopChannel& hc, std::string_view path, RecordList& out, bool dirsOnly) {
    ClearError();
    if (IsDevicePath(path)) {
        std::string pattern(path);
        if (pattern.back() == '\\') pattern += "*.*";
        return DeviceReadRecs(hc, pattern, out, dirsOnly);
    }
    return DesktopReadRecs(path, out, dirsOnly);
}

bool HasChildDirs(desktop::DesktopChannel& hc, std::string_view pattern, bool& hasSubdirs) {
    ClearError();
    if (IsDevicePath(pattern)) {
        std::string p(pattern);
        if (p.back() == '\\') p += "*.*";
        return DeviceHasChildDirs(hc, p, hasSubdirs);
    }
    if (!DesktopHasChildDirs(pattern, hasSubdirs)) {
        Fail("FS::HasChildDirs:Error searching %.*s", int(pattern.size()), pattern.data());
        return false;
    }
    return true;
}

bool Cd(desktop::DesktopChannel& hc, std::string_view devicePath, bool& exists) {
    ClearError();
    const std::string_view folder = DropTrailingSeparators(devicePath);
    if (folder.empty()) {
        exists = true;  // the root is a folder without asking
        return true;
    }
    return DeviceCd(hc, folder, exists);
}

bool RenameFile(desktop::DesktopChannel& hc, std::string_view oldPath, std::string_view newPath,
                bool& ok) {
    ClearError();
    ok = false;
    if (!SameMachine(oldPath, newPath, "RenameFile")) return false;
    if (IsDevicePath(oldPath)) return DeviceRename(hc, oldPath, newPath, ok);
    return DesktopRename(oldPath, newPath, ok);
}

bool RmDir(desktop::DesktopChannel& hc, std::string_view path, bool& ok) {
    ClearError();
    if (IsDevicePath(path)) return DevicePathOp(hc, HC_HD_RMDIR, path, ok, "RmDir");
    return DesktopRmDir(path, ok);
}

bool MkDir(desktop::DesktopChannel& hc, std::string_view path, bool& ok) {
    ClearError();
    if (IsDevicePath(path)) return DevicePathOp(hc, HC_HD_MKDIR, path, ok, "MkDir");
    return DesktopMkDir(path, ok);
}

bool FileDelete(desktop::DesktopChannel& hc, std::string_view path, bool& ok) {
    ClearError();
    if (IsDevicePath(path)) return DevicePathOp(hc, HC_HD_DEL, path, ok, "FileDelete");
    return DesktopDelete(path, ok);
}

bool FileCopy(desktop::DesktopChannel& hc, std::string_view src, std::string_view dst,
              bool overwrite) {
    ClearError();
    const bool fromDevice = IsDevicePath(src), toDevice = IsDevicePath(dst);
    if (fromDevice && toDevice) return DeviceCopy(hc, src, dst, overwrite);
    if (toDevice) return Desk2DeviceCopy(hc, src, dst);
    if (fromDevice) return Device2DeskCopy(hc, src, dst);
    return DesktopCopy(src, dst);
}

bool GetFileInfo(desktop::DesktopChannel& hc, std::string_view path, bool& found,
                 FileRecord& record) {
    ClearError();
    found = false;
    if (!IsDevicePath(path)) return DesktopGetFileInfo(path, found, record);
    // "1:\a\" looks up a itself, not its contents; the root has no entry.
    const std::string_view entry = DropTrailingSeparators(path);
    if (entry.size() <= 2) return true;
    path = entry;
    // The lock spans the lookup, as one request-and-reply.
    std::lock_guard lock(hc.Lock());
    RecordList list;
    if (!ReadRecs(hc, path, list, false)) return false;
    if (list.Count() == 1) {
        record = list.At(0);
        found = true;
    }
    return true;
}

bool GetClipText(desktop::DesktopChannel& hc, DesktopClipboard& clipboard, bool& got) {
    ClearError();
    got = false;
    GrowBuffer packed, raw;
    {
        std::lock_guard lock(hc.Lock());
        const uint8_t command = HC_GET_CLIPTEXT;
        if (!hc.WriteBytes(&command, 1)) {
            Fail("FS::GetClipText:Error writing cmd to stream");
            return false;
        }
        uint8_t status = 0;
        if (hc.ReadFully(&status, 1) != READ_DONE) {
            Fail("FS::GetClipText:Error reading result from stream");
            return false;
        }
        if (status != 1) return true;  // no text there: ours stays as it is
        if (!hc.ReceiveNUnpack(packed, raw)) {
            Fail("FS::GetClipText:Error getting unpacked data");
            return false;
        }
    }
    if (!ClipboardBridge::SetText(clipboard, raw.block, size_t(raw.used))) {
        Fail("FS::GetClipText:Error setting the desktop clipboard");
        return false;
    }
    got = true;
    return true;
}

bool SetClipText(desktop::DesktopChannel& hc, DesktopClipboard& clipboard, bool& accepted) {
    ClearError();
    accepted = false;
    std::vector<uint8_t> text;
    if (!ClipboardBridge::GetText(clipboard, text) || text.empty()) {
        Fail("FS::SetClipText:Error no text on the desktop clipboard");
        return false;
    }
    GrowBuffer packed;
    std::lock_guard lock(hc.Lock());
    const uint8_t command = HC_SET_CLIPTEXT;
    if (!hc.WriteBytes(&command, 1)) {
        Fail("FS::SetClipText:Error writing cmd to stream");
        return false;
    }
    if (!hc.PackNSend(packed, text.data(), uint32_t(text.size()))) {
        Fail("FS::SetClipText:Error writing packed data");
        return false;
    }
    uint8_t status = 0;
    if (hc.ReadFully(&status, 1) != READ_DONE) {
        Fail("FS::SetClipText:Error reading result from stream");
        return false;
    }
    accepted = status == 1;
    if (!accepted) Fail("FS::SetClipText:Error returned from Pocket PC");
    return true;
}

}  // namespace RemoteFiles

namespace ClipboardBridge {

bool GetText(DesktopClipboard& clipboard, std::vector<uint8_t>& utf16le) {
    utf16le.clear();
    const std::optional<std::string> text = clipboard.Text();
    if (!text || text->empty()) return false;
    std::u16string units = Utf8ToUtf16Lossy(*text);
    units.push_back(0);
    utf16le.resize(2 * units.size());
    for (size_t i = 0; i < units.size(); ++i) put_le16(utf16le.data() + 2 * i, uint16_t(units[i]));
    log::Log("C::GetText nSize=%d, *pBufSize=%d", int(text->size() + 1), int(utf16le.size()));
    return true;
}

bool SetText(DesktopClipboard& clipboard, const uint8_t* utf16le, size_t byteCount) {
    std::u16string units;
    for (size_t i = 0; i + 1 < byteCount; i += 2) {
        const char16_t u = char16_t(get_le16(utf16le + i));
        if (u == 0) break;  // the text ends at its terminator; slack follows
        units += u;
    }
    return clipboard.SetText(Utf16ToUtf8(units));
}

}  // namespace ClipboardBridge

}  // namespace hd::tools
