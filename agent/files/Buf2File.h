// The whole-file reader and writer of the file service (log tag
// "CDOSEdit::Buf2File"): a file carried in one packed transfer is read or
// written whole, in one piece. Called on the HdInvoke thread by FileService; owns
// nothing but the file it has open during the call.
#pragma once

#include <cstdint>
#include <string_view>

#include "agent/platform/Files.h"
#include "common/GrowBuffer.h"

namespace hd::Buf2File {

// Appends the whole file to dest and sets size. A file larger than maxSize
// is refused rather than cut. False, logged and dest.used unchanged on failure.
bool ReadWholeFile(platform::Files& files, std::u16string_view path, uint64_t maxSize,
                   GrowBuffer& dest, uint32_t& size);
// Creates or replaces the file with exactly these bytes, all or nothing;
// false and logged on failure.
bool WriteWholeFile(platform::Files& files, std::u16string_view path, const uint8_t* data,
                    uint32_t size);

}  // namespace hd::Buf2File
