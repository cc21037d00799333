#include "desktop/tools/dos/DosHistory.h"

#include "desktop/tools/dos/DosLine.h"

namespace hd::tools {

void DosHistory::Add(const std::string& line) {
    const std::string kept = dos::Trim(line);
    if (!kept.empty() && (m_lines.empty() || m_lines.back() != kept)) {
        m_lines.push_back(kept);
        if (m_lines.size() > kMax) m_lines.pop_front();
    }
    m_at = m_lines.size();
}

bool DosHistory::Older(std::string& line) {
    if (m_at == 0 || m_at > m_lines.size()) return false;
    line = m_lines[--m_at];
    return true;
}

bool DosHistory::Newer(std::string& line) {
    if (m_at >= m_lines.size()) return false;
    ++m_at;
    line = m_at < m_lines.size() ? m_lines[m_at] : std::string();
    return true;
}

}  // namespace hd::tools
