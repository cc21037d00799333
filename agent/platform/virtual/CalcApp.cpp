#include "agent/platform/virtual/CalcApp.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "agent/platform/Keys.h"
#include "agent/platform/virtual/Font.h"

namespace hd::platform {

namespace {
constexpr char kKeypad[] = "789/456*123-C0=+";
constexpr int kMaxDigits = 12;
constexpr uint16_t kBack = Rgb565(225, 225, 230);
constexpr uint16_t kPanel = Rgb565(200, 215, 190);
constexpr uint16_t kKey = Rgb565(250, 250, 250);
constexpr uint16_t kKeyDown = Rgb565(120, 120, 140);
constexpr uint16_t kText = Rgb565(0, 0, 0);
}  // namespace

Rect CalcApp::Button(int index) const {
    const int s = m_scale;
    const int top = 32 * s;
    const int w = (m_width - 8 * s) / 4;
    const int h = std::min(40 * s, (m_height - top - 4 * s) / 4);
    return {4 * s + (index % 4) * w, top + (index / 4) * h, w - 2 * s, h - 2 * s};
}

int CalcApp::ButtonAt(int x, int y) const {
    for (int i = 0; i < 16; ++i)
        if (Button(i).Contains(x, y)) return i;
    return -1;
}

void CalcApp::Draw(Canvas& client) {
    const int s = m_scale;
    client.FillRect(0, 0, client.Width(), client.Height(), kBack);
    const Rect panel{4 * s, 4 * s, client.Width() - 8 * s, 24 * s};
    client.FillRect(panel, kPanel);
    const std::string& shown = m_error ? std::string("ERROR") : m_entry;
    const int tw = font::TextWidth(shown, 2 * s);
    font::DrawText(client, panel.x + panel.w - 4 * s - tw, panel.y + 5 * s, shown, kText, 2 * s);
    for (int i = 0; i < 16; ++i) {
        const Rect b = Button(i);
        client.FillRect(b, i == m_pressed ? kKeyDown : kKey);
        const char label[2] = {kKeypad[i], 0};
        font::DrawText(client, b.x + (b.w - font::TextWidth(label, 2 * s)) / 2,
                       b.y + (b.h - font::kGlyphHeight * 2 * s) / 2, label,
                       i == m_pressed ? kKey : kText, 2 * s);
    }
}

void CalcApp::Apply() {
    const double operand = std::strtod(m_entry.c_str(), nullptr);
    double r = operand;
    switch (m_op) {
        case '+':
            r = m_value + operand;
            break;
        case '-':
            r = m_value - operand;
            break;
        case '*':
            r = m_value * operand;
            break;
        case '/':
            if (operand == 0) {
                m_error = true;
                return;
            }
            r = m_value / operand;
            break;
    }
    if (!std::isfinite(r) || std::fabs(r) >= 1e15) {
        m_error = true;
        return;
    }
    m_value = r;
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", r);
    m_entry = text;
}

void CalcApp::Press(char key) {
    if (key == 'C') {
        m_entry = "0";
        m_value = 0;
        m_op = 0;
        m_fresh = true;
        m_error = false;
        return;
    }
    if (m_error) return;  // only a clear leaves the error
    if ((key >= '0' && key <= '9') || key == '.') {
        if (m_fresh) m_entry = "0";
        m_fresh = false;
        if (key == '.') {
            if (m_entry.find('.') == std::string::npos) m_entry += '.';
        } else if (m_entry == "0") {
            m_entry = std::string(1, key);
        } else if (m_entry.size() < kMaxDigits) {
            m_entry += key;
        }
    } else if (key == '\b') {
        if (m_fresh) return;
        m_entry.pop_back();
        if (m_entry.empty() || m_entry == "-") m_entry = "0";
    } else if (key == '=') {
        if (m_op) Apply();
        m_op = 0;
        m_fresh = true;
    } else {  // an operator: a second one in a row only replaces the first
        if (!m_fresh || !m_op) Apply();
        m_op = key;
        m_fresh = true;
    }
}

void CalcApp::Character(uint32_t ch) {
    char key;
    if ((ch >= '0' && ch <= '9') || ch == '.' || ch == '+' || ch == '-' || ch == '*' || ch == '/' ||
        ch == '=')
        key = char(ch);
    else if (ch == '\r' || ch == '\n')
        key = '=';
    else if (ch == 'c' || ch == 'C' || ch == 0x1B)
        key = 'C';
    else if (ch == '\b')
        key = '\b';
    else
        return;
    Press(key);
}

void CalcApp::KeyDown(uint32_t vk) {
    using namespace keys;
    if (vk == VK_RETURN)
        Press('=');
    else if (vk == VK_BACK)
        Press('\b');
    else if (vk == VK_ESCAPE || vk == VK_DELETE)
        Press('C');
}

void CalcApp::Stylus(StylusAction action, int x, int y) {
    const int at = ButtonAt(x, y);
    if (action == StylusAction::Down) {
        m_pressed = at;
    } else if (action == StylusAction::Up) {
        if (at >= 0 && at == m_pressed) Press(kKeypad[at]);
        m_pressed = -1;
    }
}

}  // namespace hd::platform
