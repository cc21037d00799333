// ExtendedUpdateDecoder: the desktop's end of the extended screen update (common/ExtendedUpdate.h).
// It keeps the connection's decompression stream, unpacks each packet to exactly its announced
// length, checks every copy and segment against the update's total length, and only then applies
// it to the image. Logs under the receiver's tag "R". Owned by the ScreenReceiver and used on its
// thread; Reset at each connection.
#pragma once

#include <cstdint>

#include "common/GrowBuffer.h"
#include "common/UpdateStream.h"
#include "desktop/session/ProcessDeltas.h"

namespace hd {

class ExtendedUpdateDecoder {
public:
    // Applied: the image changed. Skipped: the update was malformed and left
    // the image as it was; the stream is still in step. Broken: the stream
    // cannot be read on, the connection must end.
    enum class Result { Applied, Skipped, Broken };

    // maxImage: the largest total length accepted (the fuzz target's is small).
    explicit ExtendedUpdateDecoder(uint32_t maxImage = kMaxImageLength) : m_maxImage(maxImage) {}

    void Reset() { m_stream.Reset(); }
    Result Apply(const uint8_t* packed, uint32_t c, uint32_t d, GrowBuffer& image);

private:
    uint32_t m_maxImage;
    UpdateDecompressor m_stream;
    GrowBuffer m_update;
};

}  // namespace hd
