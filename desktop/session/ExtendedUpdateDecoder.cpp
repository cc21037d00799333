#include "desktop/session/ExtendedUpdateDecoder.h"

#include <span>

#include "common/ByteOrder.h"
#include "common/ExtendedUpdate.h"
#include "common/Log.h"

namespace hd {

ExtendedUpdateDecoder::Result ExtendedUpdateDecoder::Apply(const uint8_t* packed, uint32_t c,
                                                           uint32_t d, GrowBuffer& image) {
    m_update.used = 0;
    if (!grow::MakeRoom(m_update, d) || !m_stream.Decompress(packed, c, m_update.block, d)) {
        log::Forced("R::Receive:Error on uncompress");
        return Result::Broken;
    }
    m_update.used = int32_t(d);
    const std::span<const uint8_t> update(m_update.block, d);
    const uint32_t total = d >= 4 ? get_be32(m_update.block) : 0;
    if (!ExtendedUpdateValid(update) || total > m_maxImage) {
        log::Forced("R::ProcessDeltas:Error malformed delta, image length %u, skipped",
                    unsigned(total));
        return Result::Skipped;
    }
    image.used = 0;
    if (!grow::MakeRoom(image, total)) return Result::Broken;
    image.used = int32_t(total);
    ApplyExtendedUpdate(update, image.block);
    return Result::Applied;
}

}  // namespace hd
