// SkinDescription: what a skin folder's description file "skin.ini" says (the
// device picture, the screen rectangle in it, the device types it suits and
// the button areas) and the checks that refuse a broken skin with a message a
// user can act on. Plain values and functions, any thread. The picture's size
// comes from its PNG header; decoding the picture is the skin window's job.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hd::tools {

inline constexpr const char* kSkinFile = "skin.ini";
// The device types of the Configuration dialog, in `Device` order.
inline constexpr const char* kSkinDeviceNames[] = {"iPAQ", "Cassiopeia", "Jornada", "Other"};
// A picture larger than this on either side is refused.
inline constexpr int kMaxSkinSide = 8192;

struct SkinRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool Contains(int px, int py) const {
        return px >= x && py >= y && px - x < width && py - y < height;
    }
    bool Within(int w, int h) const {
        return x >= 0 && y >= 0 && width > 0 && height > 0 && width <= w - x && height <= h - y;
    }
    bool Overlaps(const SkinRect& o) const {
        return x < o.x + o.width && o.x < x + width && y < o.y + o.height && o.y < y + height;
    }
};

struct SkinButton {
    enum Kind { AppButton, Key };
    SkinRect area;
    Kind kind = AppButton;
    int value = 1;  // application button 1..5, or a virtual key 1..254
};

struct SkinDescription {
    std::string name;
    std::string folder;    // the skin's folder
    std::string image;     // the picture's file name inside it
    unsigned devices = 0;  // bit n set: suits device type n
    SkinRect screen;
    std::vector<SkinButton> buttons;
    int imageWidth = 0, imageHeight = 0;

    bool Suits(int device) const { return device >= 0 && device < 4 && (devices >> device) & 1; }
    std::string ImagePath() const { return folder + "/" + image; }
};

// What lies under a point of the picture.
struct SkinHit {
    enum Kind { Body, Screen, Button };
    Kind kind = Body;
    int button = -1;  // index into buttons for Button
};
SkinHit HitTest(const SkinDescription& skin, int x, int y);

// Parses the description text (no file access); false with "line N: ..." or
// a missing key named in error.
bool ParseSkinDescription(const std::string& text, SkinDescription& out, std::string& error);

// Reads the width and height from a PNG file's header; false when the file
// is missing or not a PNG.
bool ReadPngSize(const std::string& path, int& width, int& height);

// Reads folder/skin.ini and the picture's size, then checks that the screen
// rectangle and every button fit the picture and that no button covers the
// screen. The name defaults to the folder's.
bool LoadSkinFolder(const std::string& folder, SkinDescription& out, std::string& error);

}  // namespace hd::tools
