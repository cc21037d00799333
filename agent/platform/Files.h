// What the file service (FileService) asks of the device's file system. Paths are
// device paths in UTF-16 as the desktop sends them: "\" is the root folder,
// backslashes separate, names match case-insensitively. No path may reach
// outside the root folder. Called on the HdInvoke thread only, one call at a
// time; made at agent load and owned by the file service.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace hd::platform {

// Entry attributes as the handheld's file system reports them.
constexpr uint32_t kAttrReadOnly = 0x01;
constexpr uint32_t kAttrHidden = 0x02;
constexpr uint32_t kAttrDirectory = 0x10;
constexpr uint32_t kAttrArchive = 0x20;

// One entry yielded by a search.
struct FindData {
    uint32_t attributes = 0;
    uint64_t creationTime = 0;  // FILETIMEs: 100 ns units since 1601-01-01 UTC
    uint64_t lastAccessTime = 0;
    uint64_t lastWriteTime = 0;
    uint64_t size = 0;    // bytes; 0 for a directory
    uint32_t oid = 0;     // object identifier, stable while the entry lives
    std::u16string name;  // without its directory; at most 255 units
};

// An open file; closed when destroyed.
class FileHandle {
public:
    virtual ~FileHandle() = default;
    // The size in bytes, or -1 when it cannot be taken.
    virtual int64_t Size() = 0;
    // Reads up to count bytes (fewer only at the end of the file); -1 on error.
    virtual int64_t Read(uint8_t* data, uint64_t count) = 0;
    // Writes count bytes; the number written, -1 on error.
    virtual int64_t Write(const uint8_t* data, uint64_t count) = 0;
};

// How a whole-file write ended.
enum class WholeWrite { Done, NotCreated, NotWritten };

class Files {
public:
    virtual ~Files() = default;

    // Calls visit for each entry of the pattern's folder whose name matches
    // the pattern's last element ('*' and '?' as on Windows), in the order the
    // file system yields them; visit returns false to end the search early.
    // False when the search cannot start or nothing matched.
    virtual bool Find(std::u16string_view pattern,
                      const std::function<bool(const FindData&)>& visit) = 0;
    // An existing regular file opened for reading; null on failure.
    virtual std::unique_ptr<FileHandle> OpenForReading(std::u16string_view path) = 0;
    // Creates the file, or truncates an existing one, for writing; null on failure.
    virtual std::unique_ptr<FileHandle> CreateAlways(std::u16string_view path) = 0;
    // Creates or replaces the file with exactly these bytes, all or nothing:
    // on failure an existing file keeps its old contents and no partial file
    // is left behind.
    virtual WholeWrite WriteWhole(std::u16string_view path, const uint8_t* data, uint64_t size) = 0;
    virtual bool DeleteFile(std::u16string_view path) = 0;
    virtual bool CreateDirectory(std::u16string_view path) = 0;
    // Fails on a folder that is not empty.
    virtual bool RemoveDirectory(std::u16string_view path) = 0;
    // With failIfExists, an existing destination makes the copy fail untouched;
    // otherwise it is replaced only by a complete copy.
    virtual bool CopyFile(std::u16string_view from, std::u16string_view to, bool failIfExists) = 0;
    // Renames or moves a file or folder; fails when the new name exists.
    virtual bool MoveFile(std::u16string_view from, std::u16string_view to) = 0;
    // The errno value of the last call that failed.
    virtual int LastError() const = 0;
};

// The POSIX file system beneath the folder root.
std::unique_ptr<Files> CreateFiles(const std::string& root);

}  // namespace hd::platform
