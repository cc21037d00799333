#include "agent/platform/virtual/NotesApp.h"

#include <algorithm>
#include <string_view>

#include "agent/platform/Keys.h"
#include "agent/platform/virtual/Font.h"

namespace hd::platform {

namespace {
constexpr uint16_t kPaper = Rgb565(255, 255, 240);
constexpr uint16_t kInk = Rgb565(0, 0, 0);
constexpr uint16_t kCaret = Rgb565(200, 0, 0);
constexpr int kMargin = 3;   // times the scale
constexpr int kLineGap = 3;  // between text lines, times the scale
}  // namespace

int NotesApp::Columns() const {
    return std::max(1, (m_width - 2 * kMargin * m_scale) / (font::kAdvance * m_scale));
}

int NotesApp::LineHeight() const {
    return (font::kGlyphHeight + kLineGap) * m_scale;
}

int NotesApp::Rows() const {
    return std::max(1, (m_height - 2 * kMargin * m_scale) / LineHeight());
}

std::vector<NotesApp::Line> NotesApp::Lines(int cols) const {
    std::vector<Line> lines;
    size_t start = 0;
    for (size_t i = 0; i < m_text.size(); ++i) {
        if (m_text[i] == '\n') {
            lines.push_back({start, i});
            start = i + 1;
        } else if (i - start == size_t(cols)) {
            lines.push_back({start, i});
            start = i;
        }
    }
    lines.push_back({start, m_text.size()});
    return lines;
}

// A position where a line wraps belongs to the line it starts.
size_t NotesApp::LineOf(const std::vector<Line>& lines, size_t pos) const {
    size_t k = 0;
    while (k + 1 < lines.size() && lines[k + 1].start <= pos) ++k;
    return k;
}

void NotesApp::Scroll() {
    const std::vector<Line> lines = Lines(Columns());
    const size_t rows = size_t(Rows());
    const size_t caretLine = LineOf(lines, m_caret);
    if (caretLine < m_top) m_top = caretLine;
    if (caretLine >= m_top + rows) m_top = caretLine - rows + 1;
    m_top = std::min(m_top, lines.size() - 1);
}

void NotesApp::Draw(Canvas& client) {
    const int s = m_scale;
    client.FillRect(0, 0, client.Width(), client.Height(), kPaper);
    const std::vector<Line> lines = Lines(Columns());
    const size_t rows = size_t(Rows());
    const size_t caretLine = LineOf(lines, m_caret);
    const int lineHeight = LineHeight();
    for (size_t k = m_top; k < lines.size() && k < m_top + rows; ++k) {
        const int y = kMargin * s + int(k - m_top) * lineHeight;
        const std::string_view text(m_text.data() + lines[k].start, lines[k].end - lines[k].start);
        font::DrawText(client, kMargin * s, y, text, kInk, s);
        if (k == caretLine) {
            const int x = kMargin * s + int(m_caret - lines[k].start) * font::kAdvance * s - s;
            client.FillRect(x, y - s, s, (font::kGlyphHeight + 2) * s, kCaret);
        }
    }
}

void NotesApp::Insert(char ch) {
    if (m_text.size() >= kMaxText) return;
    m_text.insert(m_caret, 1, ch);
    ++m_caret;
}

void NotesApp::Character(uint32_t ch) {
    if (ch == '\r' || ch == '\n') {
        Insert('\n');
    } else if (ch == '\b') {
        KeyDown(keys::VK_BACK);
        return;
    } else if (ch == '\t') {
        Insert(' ');
    } else if (ch >= 0x20 && ch < 0x7F) {
        Insert(char(ch));
    } else if (ch >= 0xA0) {
        Insert('?');  // the font has no glyph for it
    } else {
        return;
    }
    Scroll();
}

void NotesApp::KeyDown(uint32_t vk) {
    using namespace keys;
    const std::vector<Line> lines = Lines(Columns());
    const size_t k = LineOf(lines, m_caret);
    const size_t col = m_caret - lines[k].start;
    switch (vk) {
        case VK_RETURN:
            Insert('\n');
            break;
        case VK_BACK:
            if (m_caret == 0) return;
            m_text.erase(--m_caret, 1);
            break;
        case VK_DELETE:
            if (m_caret == m_text.size()) return;
            m_text.erase(m_caret, 1);
            break;
        case VK_LEFT:
            if (m_caret == 0) return;
            --m_caret;
            break;
        case VK_RIGHT:
            if (m_caret == m_text.size()) return;
            ++m_caret;
            break;
        case VK_HOME:
            m_caret = lines[k].start;
            break;
        case VK_END:
            m_caret = lines[k].end;
            break;
        case VK_UP:
        case VK_DOWN: {
            if (vk == VK_UP ? k == 0 : k + 1 == lines.size()) return;
            const Line& to = lines[vk == VK_UP ? k - 1 : k + 1];
            m_caret = std::min(to.start + col, to.end);
            break;
        }
        default:
            return;
    }
    Scroll();
}

// A tap puts the caret at the nearest character.
void NotesApp::Stylus(StylusAction action, int x, int y) {
    if (action != StylusAction::Down) return;
    const int s = m_scale;
    const std::vector<Line> lines = Lines(Columns());
    const size_t k =
        std::min(lines.size() - 1, m_top + size_t(std::max(0, y - kMargin * s) / LineHeight()));
    const int advance = font::kAdvance * s;
    const size_t col = size_t(std::max(0, x - kMargin * s + advance / 2) / advance);
    m_caret = std::min(lines[k].start + col, lines[k].end);
    Scroll();
}

}  // namespace hd::platform
