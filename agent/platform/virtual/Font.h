// Font: the virtual handheld's built-in 5x7 bitmap font (digits, upper-case
// letters, a few symbols; lower case is drawn as upper case, anything else as
// '?'). Pure functions over a Canvas; no state, any thread.
#pragma once

#include <cstdint>
#include <string_view>

#include "agent/platform/virtual/Canvas.h"

namespace hd::platform::font {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
constexpr int kAdvance = 6;  // glyph plus one column of spacing

// Width in pixels of the text drawn at this scale (no trailing spacing).
int TextWidth(std::string_view text, int scale);
// Draws the text with its top-left corner at (x, y), each dot scale x scale.
void DrawText(Canvas& canvas, int x, int y, std::string_view text, uint16_t color, int scale);

}  // namespace hd::platform::font
