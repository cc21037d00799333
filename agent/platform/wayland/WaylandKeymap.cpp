#include "agent/platform/wayland/WaylandKeymap.h"

#include <algorithm>
#include <set>

#include "agent/platform/Keys.h"
#include "common/Log.h"

namespace hd::platform {

namespace {

constexpr uint32_t kEvdevOffset = 8;

std::string SymName(xkb_keysym_t sym) {
    char name[64];
    if (xkb_keysym_get_name(sym, name, sizeof name) <= 0) return "NoSymbol";
    return name;
}

// The modifier a key's first keysym sets, or null.
const char* ModifierOf(xkb_keysym_t sym) {
    switch (sym) {
        case XKB_KEY_Shift_L:
        case XKB_KEY_Shift_R:
            return "Shift";
        case XKB_KEY_Control_L:
        case XKB_KEY_Control_R:
            return "Control";
        case XKB_KEY_Caps_Lock:
            return "Lock";
        case XKB_KEY_Alt_L:
        case XKB_KEY_Alt_R:
        case XKB_KEY_Meta_L:
        case XKB_KEY_Meta_R:
            return "Mod1";
        case XKB_KEY_Num_Lock:
            return "Mod2";
        case XKB_KEY_Super_L:
        case XKB_KEY_Super_R:
            return "Mod4";
    }
    return nullptr;
}

}  // namespace

std::unique_ptr<WaylandKeymap> WaylandKeymap::Create() {
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
    xkb_rule_names names{"evdev", "pc105", "us", "", ""};
    xkb_keymap* us =
        context ? xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS) : nullptr;
    if (!us) {
        log::Forced("WI::Keymap:xkbcommon cannot compile the US layout");
        if (context) xkb_context_unref(context);
        return nullptr;
    }
    std::unique_ptr<WaylandKeymap> map(new WaylandKeymap(context));
    std::set<uint32_t> used;
    for (const keys::KeyEntry& k : keys::Table()) {
        const uint32_t code = k.linuxKey + kEvdevOffset;
        if (!k.linuxKey || code > 255 || !used.insert(code).second) continue;
        Entry e{code, {}};
        for (xkb_level_index_t level = 0; level < 2; ++level) {
            const xkb_keysym_t* syms = nullptr;
            const int n = xkb_keymap_key_get_syms_by_level(us, code, 0, level, &syms);
            if (n > 0) e.levels.push_back(syms[0]);
        }
        // A shifted level equal to the plain one adds nothing.
        if (e.levels.size() == 2 && e.levels[0] == e.levels[1]) e.levels.pop_back();
        if (!e.levels.empty()) map->m_entries.push_back(std::move(e));
    }
    xkb_keymap_unref(us);
    for (uint32_t code = 255; code > kEvdevOffset && map->m_spares.size() < kSpares; --code)
        if (!used.count(code)) map->m_spares.push_back({code});
    return map;
}

WaylandKeymap::~WaylandKeymap() {
    xkb_context_unref(m_context);
}

std::string WaylandKeymap::Text() const {
    std::string text;
    xkb_keymap_unref(Compile(text));
    return text;
}

xkb_keymap* WaylandKeymap::Compile(std::string& result) const {
    result.clear();
    std::string codes, symbols;
    std::vector<std::pair<const char*, uint32_t>> modifiers;
    auto keyName = [](uint32_t code) { return "<K" + std::to_string(code) + ">"; };
    for (const Entry& e : m_entries) {
        codes += "    " + keyName(e.code) + " = " + std::to_string(e.code) + ";\n";
        symbols += "    key " + keyName(e.code) + " { [ ";
        for (size_t i = 0; i < e.levels.size(); ++i)
            symbols += (i ? ", " : "") + SymName(e.levels[i]);
        symbols += " ] };\n";
        if (const char* m = ModifierOf(e.levels[0])) modifiers.emplace_back(m, e.code);
    }
    for (const Spare& s : m_spares) {
        codes += "    " + keyName(s.code) + " = " + std::to_string(s.code) + ";\n";
        if (s.sym != XKB_KEY_NoSymbol)
            symbols += "    key " + keyName(s.code) + " { [ " + SymName(s.sym) + " ] };\n";
    }
    for (const auto& [name, code] : modifiers)
        symbols += std::string("    modifier_map ") + name + " { " + keyName(code) + " };\n";
    const std::string text =
        "xkb_keymap {\n  xkb_keycodes \"handrel\" {\n    minimum = 8;\n"
        "    maximum = 255;\n" +
        codes +
        "  };\n  xkb_types \"handrel\" { include \"complete\" };\n"
        "  xkb_compatibility \"handrel\" { include \"complete\" };\n"
        "  xkb_symbols \"handrel\" {\n" +
        symbols + "  };\n};\n";
    // The compositor gets the map compiled once here, with nothing left to include.
    xkb_keymap* keymap = xkb_keymap_new_from_string(
        m_context, text.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!keymap) {
        log::Forced("WI::Keymap:the generated keymap does not compile");
        return nullptr;
    }
    char* full = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
    if (full) result = full;
    std::free(full);
    return keymap;
}

xkb_keysym_t WaylandKeymap::CharKeysym(uint32_t ch) {
    switch (ch) {
        case 0x08:
            return XKB_KEY_BackSpace;
        case 0x09:
            return XKB_KEY_Tab;
        case 0x0A:
        case 0x0D:
            return XKB_KEY_Return;
        case 0x1B:
            return XKB_KEY_Escape;
        case 0x7F:
            return XKB_KEY_Delete;
    }
    if (ch < 0x20 || (ch > 0x7E && ch < 0xA0)) return 0;
    if (ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF)) return 0;
    const xkb_keysym_t sym = xkb_utf32_to_keysym(ch);
    return sym == XKB_KEY_NoSymbol ? 0 : sym;
}

std::optional<WaylandKeymap::Key> WaylandKeymap::KeyFor(uint32_t ch) const {
    const xkb_keysym_t sym = CharKeysym(ch);
    if (!sym) return std::nullopt;
    if (const auto typing = keys::KeyForChar(ch)) {
        const uint32_t code = keys::LinuxKey(typing->vk) + kEvdevOffset;
        const size_t level = typing->shift ? 1 : 0;
        for (const Entry& e : m_entries)
            if (e.code == code && e.levels.size() > level && e.levels[level] == sym)
                return Key{e.code - kEvdevOffset, typing->shift};
    }
    for (size_t level = 0; level < 2; ++level)
        for (const Entry& e : m_entries)
            if (e.levels.size() > level && e.levels[level] == sym)
                return Key{e.code - kEvdevOffset, level == 1};
    return std::nullopt;
}

uint32_t WaylandKeymap::Lend(xkb_keysym_t sym, bool& changed) {
    changed = false;
    ++m_clock;
    for (Spare& s : m_spares)
        if (s.sym == sym) {
            s.used = m_clock;
            return s.code - kEvdevOffset;
        }
    if (m_spares.empty()) return 0;
    Spare& s = *std::min_element(m_spares.begin(), m_spares.end(),
                                 [](const Spare& a, const Spare& b) { return a.used < b.used; });
    s.sym = sym;
    s.used = m_clock;
    changed = true;
    return s.code - kEvdevOffset;
}

std::vector<uint32_t> WaylandKeymap::SpareCodes() const {
    std::vector<uint32_t> out;
    for (const Spare& s : m_spares) out.push_back(s.code - kEvdevOffset);
    return out;
}

}  // namespace hd::platform
