// RemoteFiles (log tag "FS"), the remote file system client: one set of file operations for both
// machines. A path whose first character is "1" ("1:\My Documents\a.txt")
// lies on the handheld and becomes one exchange on the command channel, held
// under the channel's re-entrant command lock from the command byte to the
// last reply byte; any other path is a native desktop path served with POSIX
// calls. Runs on the caller's thread; keeps no state between calls and never
// shows anything to the user (failures are logged and kept in LastError()).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "desktop/session/DesktopChannel.h"
#include "desktop/tools/files/DesktopClipboard.h"
#include "desktop/tools/files/Location.h"
#include "desktop/tools/files/Records.h"

namespace hd::tools {

namespace RemoteFiles {

// Listings and tests send a counted path of at most this many UTF-16 units,
// terminator included; a longer handheld pattern is refused, never cut.
constexpr size_t kCountedPathUnits = 250;
// Every other request carries a fixed field of 260 units (259 and a NUL).
constexpr size_t kPathFieldUnits = 260;
constexpr size_t kPathFieldBytes = 2 * kPathFieldUnits;
// A file carried to the handheld has a 32-bit size on the wire.
constexpr uint64_t kMaxDeviceFileSize = 0xFFFFFFFFull;

// "Completed" below means every read and write on the channel succeeded (a
// desktop path always completes unless it is refused); the operation's own
// outcome comes back in the out flag.

// Lists the entries matching path (a pattern, a folder ending in its
// separator, which gets "*.*" appended, or a single entry). dirsOnly lists
// only folders, each with kAttrHasSubdirs set when it has a subfolder. True
// when at least one record came back; false for no match, an empty handheld
// folder, a refused path or a failed exchange. "." and ".." are included when
// the file system yields them. Desktop patterns may use "*" and "?" in their
// last component ("*.*" matches every name).
bool ReadRecs(desktop::DesktopChannel& hc, std::string_view path, RecordList& out,
              bool dirsOnly = false);
// Whether the pattern (a folder ending in its separator gets "*.*") matches
// a folder other than "." and "..".
bool HasChildDirs(desktop::DesktopChannel& hc, std::string_view pattern, bool& hasSubdirs);
// A bare handheld path (no "1:"): whether it names an existing folder. A
// trailing backslash is dropped before the handheld is asked (its own search
// finds nothing for one), and the root is a folder without asking.
bool Cd(desktop::DesktopChannel& hc, std::string_view devicePath, bool& exists);
// Both paths on the machine of oldPath; moves between folders too.
bool RenameFile(desktop::DesktopChannel& hc, std::string_view oldPath, std::string_view newPath,
                bool& ok);
bool RmDir(desktop::DesktopChannel& hc, std::string_view path, bool& ok);
bool MkDir(desktop::DesktopChannel& hc, std::string_view path, bool& ok);
bool FileDelete(desktop::DesktopChannel& hc, std::string_view path, bool& ok);

// Copies one file in any direction; true on success. overwrite is honoured
// only from handheld to handheld; every other route replaces the destination.
bool FileCopy(desktop::DesktopChannel& hc, std::string_view src, std::string_view dst,
              bool overwrite);
// Desktop file to handheld path (HC_SEND_FILE). Files of 4 GiB or more are
// refused before anything is sent.
bool Desk2DeviceCopy(desktop::DesktopChannel& hc, std::string_view src, std::string_view dst);
// Handheld file to desktop path (HC_GET_FILE). The bytes land in a temporary
// file beside dst that replaces dst only once complete.
bool Device2DeskCopy(desktop::DesktopChannel& hc, std::string_view src, std::string_view dst);

// The record of the entry path names (a folder gives its own entry), in the
// layout of its location. Completed with found false when nothing (or, on
// the handheld, more than one entry) matches; a handheld lookup that matches
// nothing does not complete, as the listing cannot tell the two apart. A
// trailing separator is dropped first; the handheld root has no entry (found
// false, nothing sent).
bool GetFileInfo(desktop::DesktopChannel& hc, std::string_view path, bool& found,
                 FileRecord& record);

// Handheld clipboard text to the desktop clipboard; got is false (and the
// desktop clipboard untouched) when the handheld has no text.
bool GetClipText(desktop::DesktopChannel& hc, DesktopClipboard& clipboard, bool& got);
// Desktop clipboard text to the handheld; false without touching the channel
// when the desktop clipboard holds no text.
bool SetClipText(desktop::DesktopChannel& hc, DesktopClipboard& clipboard, bool& accepted);

// The text of the last failure on this thread (the logged line without its
// tag), "" after a call that did not fail.
const std::string& LastError();

}  // namespace RemoteFiles

// ClipboardBridge (log tag "C"): the desktop clipboard's text as the handheld's UTF-16 and back.
namespace ClipboardBridge {
// The desktop text as UTF-16LE bytes with a terminating NUL unit; false when
// the clipboard holds no text.
bool GetText(DesktopClipboard& clipboard, std::vector<uint8_t>& utf16le);
// UTF-16LE bytes (up to the first NUL unit; an odd last byte is ignored) onto
// the desktop clipboard as UTF-8.
bool SetText(DesktopClipboard& clipboard, const uint8_t* utf16le, size_t byteCount);
}  // namespace ClipboardBridge

}  // namespace hd::tools
