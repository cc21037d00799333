// The extended screen update, owned by both ends: sent only to a desktop that
// offered it in HC_INIT, under its own command code on the screen channel. The
// packet frame is the usual one (command, u32 BE C, u32 BE D, C bytes); the C
// bytes are the next flushed piece of one zstd stream that lives as long as
// the connection, and decompress to exactly D bytes:
//
//   Update:   u32 BE total image length T | u16 BE copy count N | N copies | segments to the end
//   Copy:     u32 BE source offset | u32 BE destination offset | u32 BE row bytes |
//             u32 BE rows | u32 BE stride                         (20 bytes)
//   Segment:  u32 BE destination offset | u32 BE length L | L raw image bytes
//
// A copy moves a block of rows (row r: source + r * stride to destination +
// r * stride) as if from a snapshot of the image taken before it. Copies are
// applied in order, then the segments. Plain functions over byte spans.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace hd {

constexpr size_t kExtHeaderSize = 6;
constexpr size_t kExtCopySize = 20;
constexpr size_t kExtSegmentHeaderSize = 8;
static_assert(kExtHeaderSize == 4 + 2 && kExtCopySize == 5 * 4 && kExtSegmentHeaderSize == 2 * 4);
constexpr uint32_t kExtMaxCopies = 1024;
// The decompressor refuses a stream whose window would need more memory.
constexpr int kExtMaxWindowLog = 24;

struct RowCopy {
    uint32_t src = 0;
    uint32_t dst = 0;
    uint32_t rowBytes = 0;
    uint32_t rows = 0;
    uint32_t stride = 0;
};

// Writes the 20 bytes of one copy at p.
void PutRowCopy(uint8_t* p, const RowCopy& c);
RowCopy GetRowCopy(const uint8_t* p);

// True when the copy stays inside an image of total bytes and its rows do not
// overlap each other (rowBytes <= stride); checked in 64 bits.
bool RowCopyFits(const RowCopy& c, uint32_t total);
// Applies a copy that fits: rows are taken in the order that reads every
// source row before it is overwritten.
void ApplyRowCopy(uint8_t* image, const RowCopy& c);

// Validates a whole decompressed update against its own total length; on
// success the update may be applied without further checks.
bool ExtendedUpdateValid(std::span<const uint8_t> update);
// Applies a valid update to an image that already holds its total length.
void ApplyExtendedUpdate(std::span<const uint8_t> update, uint8_t* image);

// HANDREL_SCREEN_EXTENSION=0 switches the extension off at either end (the
// agent ignores the offer; the desktop never makes it). Anything else: on.
bool ScreenExtensionAllowedByEnvironment();

}  // namespace hd
