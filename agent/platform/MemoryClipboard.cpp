#include "agent/platform/MemoryClipboard.h"

#include <new>

namespace hd::platform {

bool MemoryClipboard::SetUnicodeText(const uint8_t* data, size_t size) {
    std::lock_guard lock(m_mutex);
    m_hasText = false;
    m_block.clear();
    try {
        m_block.assign(data, data + size);
    } catch (const std::bad_alloc&) {  // the block could not be made: empty
        m_block.clear();
        m_block.shrink_to_fit();
        return false;
    }
    m_hasText = true;
    return true;
}

bool MemoryClipboard::GetUnicodeText(std::vector<uint8_t>& out) {
    std::lock_guard lock(m_mutex);
    out.clear();
    if (!m_hasText) return false;
    try {
        out = m_block;
    } catch (const std::bad_alloc&) {
        out.clear();
        return false;
    }
    return true;
}

}  // namespace hd::platform
