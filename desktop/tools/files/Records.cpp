#include "desktop/tools/files/Records.h"

#include <algorithm>
#include <cstring>

#include "common/ByteOrder.h"
#include "desktop/tools/files/TextCodec.h"

namespace hd::tools {

namespace {
constexpr uint64_t kEpochDifference = 11644473600ull;  // seconds from 1601 to 1970
constexpr uint64_t kTicksPerSecond = 10000000ull;

uint64_t GetLe64(const uint8_t* p) {
    return uint64_t(get_le32(p + 4)) << 32 | get_le32(p);
}
void PutLe64(uint8_t* p, uint64_t v) {
    put_le32(p, uint32_t(v));
    put_le32(p + 4, uint32_t(v >> 32));
}
// The longest prefix of at most max bytes that ends on a character boundary.
std::string_view CutUtf8(std::string_view s, size_t max) {
    if (s.size() <= max) return s;
    size_t n = max;
    while (n > 0 && (uint8_t(s[n]) & 0xC0) == 0x80) --n;
    return s.substr(0, n);
}
}  // namespace

FileRecord::FileRecord(std::span<const uint8_t> bytes, bool device) : m_device(device) {
    const size_t size = RecordSize();
    if (bytes.size() < size) return;
    std::memcpy(m_bytes.data(), bytes.data(), size);
    m_valid = true;
}

static void PutCommon(uint8_t* p, uint32_t attributes, uint64_t size, uint64_t creation,
                      uint64_t lastAccess, uint64_t lastWrite) {
    // Both layouts share their first 36 bytes.
    put_le32(p + devrec::kAttributes, attributes);
    PutLe64(p + devrec::kCreationTime, creation);
    PutLe64(p + devrec::kLastAccessTime, lastAccess);
    PutLe64(p + devrec::kLastWriteTime, lastWrite);
    put_le32(p + devrec::kSizeHigh, uint32_t(size >> 32));
    put_le32(p + devrec::kSizeLow, uint32_t(size));
}

FileRecord FileRecord::Desktop(uint32_t attributes, uint64_t size, uint64_t creation,
                               uint64_t lastAccess, uint64_t lastWrite, std::string_view name) {
    FileRecord r;
    r.m_device = false;
    r.m_valid = true;
    PutCommon(r.m_bytes.data(), attributes, size, creation, lastAccess, lastWrite);
    const std::string_view cut = CutUtf8(name.substr(0, name.find('\0')), deskrec::kNameBytes - 1);
    std::memcpy(r.m_bytes.data() + deskrec::kName, cut.data(), cut.size());
    return r;
}

FileRecord FileRecord::Device(uint32_t attributes, uint64_t size, uint64_t creation,
                              uint64_t lastAccess, uint64_t lastWrite, std::string_view name) {
    FileRecord r;
    r.m_device = true;
    r.m_valid = true;
    PutCommon(r.m_bytes.data(), attributes, size, creation, lastAccess, lastWrite);
    const std::u16string units = Utf8ToUtf16Lossy(name);
    const size_t n = std::min(units.size(), devrec::kNameUnits - 1);
    for (size_t i = 0; i < n; ++i)
        put_le16(r.m_bytes.data() + devrec::kName + 2 * i, uint16_t(units[i]));
    return r;
}

uint32_t FileRecord::Attributes() const {
    return get_le32(m_bytes.data() + devrec::kAttributes);
}
void FileRecord::SetAttributes(uint32_t attributes) {
    put_le32(m_bytes.data() + devrec::kAttributes, attributes);
}
uint32_t FileRecord::SizeLow() const {
    return get_le32(m_bytes.data() + devrec::kSizeLow);
}
uint32_t FileRecord::SizeHigh() const {
    return get_le32(m_bytes.data() + devrec::kSizeHigh);
}
uint64_t FileRecord::CreationTime() const {
    return GetLe64(m_bytes.data() + devrec::kCreationTime);
}
uint64_t FileRecord::LastAccessTime() const {
    return GetLe64(m_bytes.data() + devrec::kLastAccessTime);
}
uint64_t FileRecord::LastWriteTime() const {
    return GetLe64(m_bytes.data() + devrec::kLastWriteTime);
}

std::u16string FileRecord::NameUnits() const {
    std::u16string units;
    if (!m_device) return units;
    for (size_t i = 0; i < devrec::kNameUnits; ++i) {
        const char16_t u = char16_t(get_le16(m_bytes.data() + devrec::kName + 2 * i));
        if (u == 0) break;
        units += u;
    }
    return units;
}

std::string FileRecord::Name() const {
    if (m_device) return Utf16ToUtf8(NameUnits());
    const char* p = reinterpret_cast<const char*>(m_bytes.data() + deskrec::kName);
    return std::string(p, strnlen(p, deskrec::kNameBytes));
}

RecordList::RecordList(std::span<const uint8_t> bytes, bool device) : m_device(device) {
    const size_t whole = bytes.size() / RecordSize() * RecordSize();
    m_bytes.assign(bytes.begin(), bytes.begin() + whole);
}

FileRecord RecordList::At(size_t index) const {
    if (index >= Count()) return FileRecord();
    return FileRecord(std::span<const uint8_t>(m_bytes).subspan(index * RecordSize()), m_device);
}

void RecordList::Clear(bool device) {
    m_bytes.clear();
    m_device = device;
}

void RecordList::Append(const FileRecord& record) {
    if (record.IsDevice() != m_device || !record.IsValid()) return;
    const auto bytes = record.Bytes();
    m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
}

uint64_t FileTimeFromUnix(int64_t seconds, long nanoseconds) {
    const int64_t s = seconds + int64_t(kEpochDifference);
    if (s < 0) return 0;
    return uint64_t(s) * kTicksPerSecond + uint64_t(nanoseconds) / 100;
}

int64_t UnixFromFileTime(uint64_t fileTime) {
    return int64_t(fileTime / kTicksPerSecond) - int64_t(kEpochDifference);
}

}  // namespace hd::tools
