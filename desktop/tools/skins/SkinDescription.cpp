#include "desktop/tools/skins/SkinDescription.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace hd::tools {

namespace {

// The description is small; anything larger is not one.
constexpr std::streamsize kMaxDescription = 64 * 1024;

std::string Trim(const std::string& s) {
    const size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos) return "";
    const size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

std::string Lower(std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::vector<std::string> Split(const std::string& s, char sep) {
    std::vector<std::string> parts;
    std::stringstream in(s);
    std::string part;
    while (std::getline(in, part, sep)) parts.push_back(Trim(part));
    return parts;
}

// A whole number in decimal or 0x hexadecimal, within lo..hi.
bool Number(const std::string& s, long lo, long hi, int& out) {
    if (s.empty() || s.size() > 10) return false;
    size_t used = 0;
    long v = 0;
    // Decimal, so that a leading zero is not read as octal; 0x for keys.
    const bool hex = s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X');
    try {
        v = std::stol(hex ? s.substr(2) : s, &used, hex ? 16 : 10);
        if (hex) used += 2;
    } catch (...) {
        return false;
    }
    if (used != s.size() || v < lo || v > hi) return false;
    out = int(v);
    return true;
}

bool Rect(const std::string& s, SkinRect& r) {
    const std::vector<std::string> p = Split(s, ',');
    return p.size() == 4 && Number(p[0], 0, kMaxSkinSide, r.x) &&
           Number(p[1], 0, kMaxSkinSide, r.y) && Number(p[2], 1, kMaxSkinSide, r.width) &&
           Number(p[3], 1, kMaxSkinSide, r.height);
}

std::string Describe(const SkinRect& r) {
    char b[64];
    std::snprintf(b, sizeof b, "%d,%d %dx%d", r.x, r.y, r.width, r.height);
    return b;
}

}  // namespace

SkinHit HitTest(const SkinDescription& skin, int x, int y) {
    if (skin.screen.Contains(x, y)) return {SkinHit::Screen, -1};
    for (size_t i = 0; i < skin.buttons.size(); ++i)
        if (skin.buttons[i].area.Contains(x, y)) return {SkinHit::Button, int(i)};
    return {};
}

bool ParseSkinDescription(const std::string& text, SkinDescription& out, std::string& error) {
    out.image.clear();
    out.devices = 0;
    out.screen = {};
    out.buttons.clear();
    enum { None, Skin, Button } section = None;
    bool haveScreen = false, haveDevices = false;
    std::stringstream in(text);
    std::string raw;
    int lineNo = 0;
    auto fail = [&](const std::string& why) {
        error = "line " + std::to_string(lineNo) + ": " + why;
        return false;
    };
    while (std::getline(in, raw)) {
        ++lineNo;
        std::string line = Trim(raw);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        // A comment may also follow a value, after a blank.
        for (size_t i = 1; i < line.size(); ++i) {
            if ((line[i] == ';' || line[i] == '#') && (line[i - 1] == ' ' || line[i - 1] == '\t')) {
                line = Trim(line.substr(0, i));
                break;
            }
        }
        if (line.front() == '[') {
            const std::string name = Lower(Trim(line.substr(1, line.find(']') - 1)));
            if (line.back() != ']') return fail("a section name ends with ]");
            if (name == "skin") {
                section = Skin;
            } else if (name == "button") {
                section = Button;
                out.buttons.push_back({{}, SkinButton::AppButton, 0});
            } else {
                return fail("unknown section [" + name + "] (use [Skin] or [Button])");
            }
            continue;
        }
        const size_t eq = line.find('=');
        if (eq == std::string::npos) return fail("expected Key = Value");
        const std::string key = Lower(Trim(line.substr(0, eq)));
        const std::string value = Trim(line.substr(eq + 1));
        if (section == None) return fail("the description starts with [Skin]");
        if (section == Skin) {
            if (key == "name") {
                if (value.empty()) return fail("Name is empty");
                out.name = value;
            } else if (key == "image") {
                if (value.empty() || value.find('/') != std::string::npos || value == "..")
                    return fail("Image names a file inside the skin's folder");
                out.image = value;
            } else if (key == "devices") {
                for (const std::string& d : Split(value, ',')) {
                    bool known = false;
                    for (int i = 0; i < 4; ++i) {
                        if (Lower(d) == Lower(kSkinDeviceNames[i])) {
                            out.devices |= 1u << i;
                            known = true;
                        }
                    }
                    if (!known)
                        return fail("unknown device type \"" + d +
                                    "\" (use iPAQ, Cassiopeia, Jornada or Other)");
                }
                haveDevices = true;
            } else if (key == "screen") {
                if (!Rect(value, out.screen))
                    return fail("Screen needs four whole numbers: x, y, width, height");
                haveScreen = true;
            } else {
                return fail("unknown key " + key + " in [Skin]");
            }
        } else {
            SkinButton& b = out.buttons.back();
            if (key == "area") {
                if (!Rect(value, b.area))
                    return fail("Area needs four whole numbers: x, y, width, height");
            } else if (key == "appbutton") {
                if (!Number(value, 1, 5, b.value)) return fail("AppButton takes 1 to 5");
                b.kind = SkinButton::AppButton;
            } else if (key == "key") {
                if (!Number(value, 1, 254, b.value))
                    return fail("Key takes a virtual key code from 1 to 254 (e.g. 0x0D)");
                b.kind = SkinButton::Key;
            } else {
                return fail("unknown key " + key + " in [Button]");
            }
        }
    }
    error.clear();
    if (out.image.empty()) error = "no Image in [Skin]";
    if (!haveScreen) error = "no Screen in [Skin]";
    if (!haveDevices || out.devices == 0) error = "no Devices in [Skin]";
    for (size_t i = 0; i < out.buttons.size() && error.empty(); ++i) {
        const SkinButton& b = out.buttons[i];
        if (b.area.width == 0 || b.value == 0)
            error = "button " + std::to_string(i + 1) + " needs an Area and an AppButton or Key";
    }
    return error.empty();
}

bool ReadPngSize(const std::string& path, int& width, int& height) {
    // Signature, then the IHDR chunk: length, "IHDR", width, height (big-endian).
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::ifstream f(path, std::ios::binary);
    unsigned char h[24];
    if (!f.read(reinterpret_cast<char*>(h), sizeof h)) return false;
    if (!std::equal(kSignature, kSignature + 8, h) || std::string(h + 12, h + 16) != "IHDR")
        return false;
    auto be32 = [](const unsigned char* p) {
        return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
    };
    const uint32_t w = be32(h + 16), hh = be32(h + 20);
    if (w == 0 || hh == 0 || w > kMaxSkinSide || hh > kMaxSkinSide) return false;
    width = int(w);
    height = int(hh);
    return true;
}

bool LoadSkinFolder(const std::string& folder, SkinDescription& out, std::string& error) {
    out = {};
    out.folder = folder;
    const size_t slash = folder.find_last_of('/', folder.size() > 1 ? folder.size() - 2 : 0);
    out.name = folder.substr(slash == std::string::npos ? 0 : slash + 1);
    if (!out.name.empty() && out.name.back() == '/') out.name.pop_back();

    std::ifstream f(folder + "/" + kSkinFile, std::ios::binary);
    if (!f) {
        error = std::string("no ") + kSkinFile + " in " + folder;
        return false;
    }
    std::string text(size_t(kMaxDescription) + 1, '\0');
    f.read(text.data(), kMaxDescription + 1);
    text.resize(size_t(f.gcount()));
    if (text.size() > size_t(kMaxDescription)) {
        error = std::string(kSkinFile) + " is too large to be a skin description";
        return false;
    }
    if (!ParseSkinDescription(text, out, error)) {
        error = std::string(kSkinFile) + " " + error;
        return false;
    }
    if (!ReadPngSize(out.ImagePath(), out.imageWidth, out.imageHeight)) {
        error = "the skin image " + out.image + " is missing or not a PNG picture";
        return false;
    }
    const std::string size = std::to_string(out.imageWidth) + "x" + std::to_string(out.imageHeight);
    if (!out.screen.Within(out.imageWidth, out.imageHeight)) {
        error = "the screen rectangle " + Describe(out.screen) + " does not fit the " + size +
                " skin image";
        return false;
    }
    for (size_t i = 0; i < out.buttons.size(); ++i) {
        const SkinRect& a = out.buttons[i].area;
        const std::string which = "button " + std::to_string(i + 1) + " (" + Describe(a) + ")";
        if (!a.Within(out.imageWidth, out.imageHeight)) {
            error = which + " does not fit the " + size + " skin image";
            return false;
        }
        if (a.Overlaps(out.screen)) {
            error = which + " covers the screen rectangle";
            return false;
        }
    }
    return true;
}

}  // namespace hd::tools
