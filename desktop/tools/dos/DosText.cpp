#include "desktop/tools/dos/DosText.h"

#include <algorithm>

namespace hd::tools {

void DosText::DropFront(size_t n) {
    n = std::min(n, m_text.size());
    while (n < m_text.size() && (uint8_t(m_text[n]) & 0xC0) == 0x80) ++n;
    m_text.erase(0, n);
}

void DosText::MakeRoom(size_t n) {
    if (m_text.size() + n > kLimit - 1) DropFront(n);
}

void DosText::Insert(std::string_view text) {
    m_text += text;
    // An insertion larger than the room made for it still never grows the
    // text past the limit.
    if (m_text.size() > kLimit) DropFront(m_text.size() - kLimit);
}

bool DosText::Type(std::string_view text) {
    if (m_text.size() + text.size() > kLimit) return false;
    m_text += text;
    return true;
}

std::string DosText::LastLine() const {
    const size_t nl = m_text.rfind('\n');
    return nl == std::string::npos ? m_text : m_text.substr(nl + 1);
}

}  // namespace hd::tools
