// Directory records of both machines behind one set of accessors: the
// handheld's 560-byte search record (UTF-16LE name) and the desktop's 320-byte
// record (8-bit name, UTF-8 here). Plain values, any thread; a record never
// reads past its own bytes, whatever the peer put in them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace hd::tools {

// Attribute bits as both machines report them.
constexpr uint32_t kAttrReadOnly = 0x01;
constexpr uint32_t kAttrHidden = 0x02;
constexpr uint32_t kAttrSystem = 0x04;
constexpr uint32_t kAttrDirectory = 0x10;
constexpr uint32_t kAttrArchive = 0x20;
constexpr uint32_t kAttrNormal = 0x80;
// Set in directories-only listings on a folder that has a subfolder.
constexpr uint32_t kAttrHasSubdirs = 0x00800000;

// The handheld's record:
//   offset width field
//    0      4   attributes
//    4      8   creation time, FILETIME (100 ns since 1601-01-01), low word first
//   12      8   last access time
//   20      8   last write time
//   28      4   size, high word
//   32      4   size, low word
//   36      4   object identifier
//   40    520   name, UTF-16LE, NUL-terminated (260 units)
namespace devrec {
constexpr size_t kAttributes = 0, kCreationTime = 4, kLastAccessTime = 12, kLastWriteTime = 20;
constexpr size_t kSizeHigh = 28, kSizeLow = 32, kOid = 36, kName = 40;
constexpr size_t kNameUnits = 260;
constexpr size_t kSize = 560;
}  // namespace devrec

// The desktop's record:
//   offset width field
//    0      4   attributes
//    4      8   creation time, FILETIME
//   12      8   last access time
//   20      8   last write time
//   28      4   size, high word
//   32      4   size, low word
//   36      8   two reserved words (0)
//   44    260   name, 8-bit (UTF-8), NUL-terminated
//  304     14   alternate name (unused, 0)
//  318      2   padding (0)
namespace deskrec {
constexpr size_t kAttributes = 0, kCreationTime = 4, kLastAccessTime = 12, kLastWriteTime = 20;
constexpr size_t kSizeHigh = 28, kSizeLow = 32, kReserved = 36, kName = 44, kAltName = 304;
constexpr size_t kNameBytes = 260;
constexpr size_t kSize = 320;
}  // namespace deskrec

constexpr size_t kMaxRecordSize = devrec::kSize;

// One record of either layout, held by value.
class FileRecord {
public:
    FileRecord() = default;
    // Copies one record; device tells the layout (560 or 320 bytes are read).
    FileRecord(std::span<const uint8_t> bytes, bool device);

    // The fields a desktop record is built from (name in UTF-8, cut at 259
    // bytes on a character boundary).
    static FileRecord Desktop(uint32_t attributes, uint64_t size, uint64_t creation,
                              uint64_t lastAccess, uint64_t lastWrite, std::string_view name);
    // The same for a handheld record (name converted to UTF-16).
    static FileRecord Device(uint32_t attributes, uint64_t size, uint64_t creation,
                             uint64_t lastAccess, uint64_t lastWrite, std::string_view name);

    bool IsDevice() const { return m_device; }
    bool IsValid() const { return m_valid; }
    size_t RecordSize() const { return m_device ? devrec::kSize : deskrec::kSize; }
    std::span<const uint8_t> Bytes() const { return {m_bytes.data(), RecordSize()}; }

    uint32_t Attributes() const;
    void SetAttributes(uint32_t attributes);
    bool IsDirectory() const { return (Attributes() & kAttrDirectory) != 0; }
    bool HasSubdirs() const { return (Attributes() & kAttrHasSubdirs) != 0; }
    uint32_t SizeLow() const;
    uint32_t SizeHigh() const;
    uint64_t FileSize() const { return uint64_t(SizeHigh()) << 32 | SizeLow(); }
    // FILETIME values: 100 ns units since 1601-01-01 UTC.
    uint64_t CreationTime() const;
    uint64_t LastAccessTime() const;
    uint64_t LastWriteTime() const;
    // The name up to its terminator (or the field's end), as UTF-8; a handheld
    // name's unpaired surrogates become U+FFFD.
    std::string Name() const;
    // The handheld name's UTF-16 units (empty for a desktop record).
    std::u16string NameUnits() const;

private:
    std::array<uint8_t, kMaxRecordSize> m_bytes{};
    bool m_device = false;
    bool m_valid = false;
};

// A listing: count records of one layout, in the order they were listed.
class RecordList {
public:
    RecordList() = default;
    // Takes whole records from bytes; a trailing partial record is dropped.
    RecordList(std::span<const uint8_t> bytes, bool device);

    bool IsDevice() const { return m_device; }
    size_t RecordSize() const { return m_device ? devrec::kSize : deskrec::kSize; }
    size_t Count() const { return m_bytes.size() / RecordSize(); }
    bool Empty() const { return m_bytes.empty(); }
    FileRecord At(size_t index) const;
    // Raw access for callers that hand records on.
    std::span<const uint8_t> Bytes() const { return m_bytes; }

    void Clear(bool device);
    void Append(const FileRecord& record);  // of the list's layout

private:
    std::vector<uint8_t> m_bytes;
    bool m_device = false;
};

// FILETIME <-> POSIX time (seconds and nanoseconds since 1970).
uint64_t FileTimeFromUnix(int64_t seconds, long nanoseconds);
int64_t UnixFromFileTime(uint64_t fileTime);

}  // namespace hd::tools
