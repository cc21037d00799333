#include "agent/files/Buf2File.h"

#include "common/Log.h"

namespace hd::Buf2File {

bool ReadWholeFile(platform::Files& files, std::u16string_view path, uint64_t maxSize,
                   GrowBuffer& dest, uint32_t& size) {
    auto file = files.OpenForReading(path);
    if (!file) {
        log::Forced("CDOSEdit::Buf2File : Error opening file");
        return false;
    }
    const int64_t length = file->Size();
    if (length < 0) {
        log::Forced("CDOSEdit::Buf2File : Error getting file size");
        return false;
    }
    // A 32-bit size cannot describe 4 GiB or more, and the desktop refuses a
    // transfer past its ceiling: such a file is refused, never sent cut.
    if (uint64_t(length) > maxSize) {
        log::Forced("CDOSEdit::Buf2File : Error file of %lld bytes is too large to send",
                    static_cast<long long>(length));
        return false;
    }
    size = uint32_t(length);
    if (size == 0) return true;
    if (!grow::MakeRoom(dest, size)) return false;  // logged by MakeRoom
    if (file->Read(dest.block + dest.used, size) != length) {
        log::Forced("CDOSEdit::Buf2File : Error reading file");
        return false;
    }
    dest.used += int32_t(size);
    return true;
}

bool WriteWholeFile(platform::Files& files, std::u16string_view path, const uint8_t* data,
                    uint32_t size) {
    switch (files.WriteWhole(path, data, size)) {
        case platform::WholeWrite::Done:
            return true;
        case platform::WholeWrite::NotCreated:
            log::Forced("CDOSEdit::Buf2File : Error creating destination file");
            return false;
        case platform::WholeWrite::NotWritten:
            break;
    }
    log::Forced("CDOSEdit::Buf2File : Error writing dest file");
    return false;
}

}  // namespace hd::Buf2File
