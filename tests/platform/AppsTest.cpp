#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "agent/platform/Keys.h"
#include "agent/platform/virtual/CalcApp.h"
#include "agent/platform/virtual/InkApp.h"
#include "agent/platform/virtual/NotesApp.h"

namespace hd::platform {
namespace {

using namespace keys;

// A client area of its own: 60 x 40 pixels, 9 columns and 3 rows of text.
struct Surface {
    std::vector<uint16_t> pixels = std::vector<uint16_t>(60 * 40);
    Canvas canvas{reinterpret_cast<uint8_t*>(pixels.data()), 60, 40, 2, 120};
};

void Type(App& app, const std::string& text) {
    for (char ch : text) app.Character(uint8_t(ch));
}

TEST(NotesApp, EditingKeys) {
    Surface s;
    NotesApp n(1, 60, 40, 1);
    Type(n, "abc");
    n.KeyDown(VK_LEFT);
    n.KeyDown(VK_BACK);
    n.Character('\r');
    EXPECT_EQ(n.Text(), "a\nc");
    EXPECT_EQ(n.Caret(), 2u);
    n.KeyDown(VK_UP);  // to the same column of the line above
    EXPECT_EQ(n.Caret(), 0u);
    n.KeyDown(VK_END);
    EXPECT_EQ(n.Caret(), 1u);
    n.KeyDown(VK_HOME);
    n.KeyDown(VK_DELETE);
    EXPECT_EQ(n.Text(), "\nc");
    n.KeyDown(VK_DOWN);
    n.KeyDown(VK_END);
    EXPECT_EQ(n.Caret(), 2u);
    // At the ends nothing moves and nothing is removed.
    n.KeyDown(VK_RIGHT);
    n.KeyDown(VK_DELETE);
    EXPECT_EQ(n.Text(), "\nc");
    EXPECT_EQ(n.Caret(), 2u);

    // Long lines wrap at 9 columns; the arrows follow the screen lines.
    NotesApp w(2, 60, 40, 1);
    Type(w, "0123456789AB");
    w.KeyDown(VK_UP);
    EXPECT_EQ(w.Caret(), 3u);
    w.KeyDown(VK_END);
    EXPECT_EQ(w.Caret(), 9u);
    // Characters the font lacks are kept as '?'; controls are ignored.
    Type(w, std::string(1, char(0x07)));
    w.Character(0x20AC);
    EXPECT_EQ(w.Text(), "012345678?9AB");
}

TEST(NotesApp, TextIsBoundedAndScrollsToTheCaret) {
    Surface s;
    NotesApp n(1, 60, 40, 1);
    for (size_t i = 0; i < NotesApp::kMaxText + 50; ++i) n.Character('x');
    EXPECT_EQ(n.Text().size(), NotesApp::kMaxText);

    // Three rows: the fourth line scrolls the first one away.
    NotesApp lines(2, 60, 40, 1);
    Type(lines, "1\n2\n3");
    lines.Draw(s.canvas);
    const std::vector<uint16_t> three = s.pixels;
    Type(lines, "\n4");
    lines.KeyDown(VK_UP);
    lines.KeyDown(VK_UP);
    lines.KeyDown(VK_UP);  // back on the first line: shown again
    lines.KeyDown(VK_DOWN);
    lines.KeyDown(VK_DOWN);
    lines.KeyDown(VK_END);
    EXPECT_EQ(lines.Caret(), 5u);
    lines.Draw(s.canvas);
    EXPECT_EQ(s.pixels, three);
}

TEST(CalcApp, ArithmeticFromKeysAndTaps) {
    Surface s;
    CalcApp c(1, 60, 40, 1);
    Type(c, "12+3*2");
    c.KeyDown(VK_RETURN);
    EXPECT_EQ(c.Display(), "30");  // left to right, as a pocket calculator
    Type(c, "-+4=");
    EXPECT_EQ(c.Display(), "34");  // a second operator replaces the first
    Type(c, "/0=5+");              // nothing but a clear leaves the error
    c.Character('c');
    EXPECT_EQ(c.Display(), "0");
    Type(c, "1.5.0");
    c.KeyDown(VK_BACK);
    EXPECT_EQ(c.Display(), "1.5");

    // The keypad on a handheld-sized client: 7 + 1 =, tapped.
    CalcApp pad(2, 240, 288, 1);
    auto tap = [&](int i, int dx = 0) {
        const int x = 4 + (i % 4) * 58 + 28, y = 32 + (i / 4) * 40 + 19;
        pad.Stylus(StylusAction::Down, x, y);
        pad.Stylus(StylusAction::Up, x + dx, y);
    };
    for (int i : {0, 15, 8}) tap(i);
    tap(9, 58);  // lifted over another key: not a press
    tap(14);
    EXPECT_EQ(pad.Display(), "8");
}

TEST(InkApp, StrokesAreBounded) {
    Surface s;
    InkApp ink(1, 60, 40, 1);
    ink.Stylus(StylusAction::Down, 0, 0);
    for (size_t i = 0; i < InkApp::kMaxPoints + 10; ++i)
        ink.Stylus(StylusAction::Move, i % 2 ? 30 : 5, i % 2 ? 30 : 5);
    ink.Stylus(StylusAction::Up, 0, 0);
    EXPECT_EQ(ink.Points(), InkApp::kMaxPoints);
    ink.Draw(s.canvas);
    const uint16_t inked = s.pixels[10 * 60 + 10];  // on the diagonal the drag drew
    EXPECT_NE(inked, s.pixels[10 * 60 + 50]);
    ink.MiddleKeyPressed();
    EXPECT_EQ(ink.Points(), 0u);
    ink.Draw(s.canvas);
    EXPECT_NE(s.pixels[10 * 60 + 10], inked);
}

}  // namespace
}  // namespace hd::platform
