// Shared between the file client's source files: failure reporting, the
// handheld's two path encodings, the handheld exchanges and the desktop's
// POSIX branch. Not for the client's callers; RemoteFiles.h is the interface.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/GrowBuffer.h"
#include "desktop/session/DesktopChannel.h"
#include "desktop/tools/files/RemoteFiles.h"

namespace hd::tools::remotefiles {

// Logs the line (whatever the tracing switch) and keeps it as LastError().
void Fail(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void ClearError();

// A bare handheld path as the counted request: count byte N (units with the
// NUL), then N UTF-16LE units. Refused (logged under op) when it is not valid
// UTF-8 or needs more than the 250-unit buffer.
bool CountedPath(std::string_view devicePath, std::vector<uint8_t>& out, const char* op);
// A bare handheld path as the 520-byte fixed field, zero-filled; refused when
// it is not valid UTF-8 or longer than 259 units.
bool PathField(std::string_view devicePath, uint8_t* field, const char* op);

// Handheld halves (paths with their "1:" prefix).
bool DeviceReadRecs(desktop::DesktopChannel& hc, std::string_view pattern, RecordList& out,
                    bool dirsOnly);
bool DeviceHasChildDirs(desktop::DesktopChannel& hc, std::string_view pattern, bool& has);
bool DeviceCd(desktop::DesktopChannel& hc, std::string_view bare, bool& exists);
bool DevicePathOp(desktop::DesktopChannel& hc, uint8_t command, std::string_view path, bool& ok,
                  const char* op);
bool DeviceRename(desktop::DesktopChannel& hc, std::string_view from, std::string_view to,
                  bool& ok);
bool DeviceCopy(desktop::DesktopChannel& hc, std::string_view from, std::string_view to,
                bool overwrite);
bool DeviceGetClipText(desktop::DesktopChannel& hc, DesktopClipboard& clipboard, bool& got);
bool DeviceSetClipText(desktop::DesktopChannel& hc, const std::vector<uint8_t>& text,
                       bool& accepted);

// Desktop halves (native paths).
bool DesktopReadRecs(std::string_view pattern, RecordList& out, bool dirsOnly);
bool DesktopHasChildDirs(std::string_view pattern, bool& has);
bool DesktopRename(std::string_view from, std::string_view to, bool& ok);
bool DesktopRmDir(std::string_view path, bool& ok);
bool DesktopMkDir(std::string_view path, bool& ok);
bool DesktopDelete(std::string_view path, bool& ok);
bool DesktopCopy(std::string_view from, std::string_view to);
bool DesktopGetFileInfo(std::string_view path, bool& found, FileRecord& record);

// The desktop's whole-file reader: appends the file to dest (a regular file
// of at most maxSize bytes) and sets size. Logged as "CDOSEdit::Buf2File".
bool ReadWholeFile(std::string_view path, uint64_t maxSize, GrowBuffer& dest, uint64_t& size);
// Writes the bytes to a temporary file beside path and renames it over path
// once all are written; a failure leaves path as it was.
bool WriteWholeFile(std::string_view path, const uint8_t* data, uint64_t size);

}  // namespace hd::tools::remotefiles
