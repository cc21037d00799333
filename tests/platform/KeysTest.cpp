#include "agent/platform/Keys.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace hd::platform::keys {
namespace {

struct CsvKey {
    unsigned linuxKey;
    unsigned set1;  // with its 0xE0 prefix
};

// Win32 virtual key -> the rows of the public key-code table that have one.
std::multimap<unsigned, CsvKey> ReadKeymaps(const char* path) {
    std::multimap<unsigned, CsvKey> rows;
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);  // the header
    while (std::getline(in, line)) {
        std::vector<std::string> f;
        std::stringstream ss(line);
        for (std::string cell; std::getline(ss, cell, ',');) f.push_back(cell);
        // Linux keycode is column 1, AT set 1 column 4, Win32 keycode column 9.
        if (f.size() < 10 || f[9].empty() || f[1].empty()) continue;
        rows.insert({unsigned(std::strtoul(f[9].c_str(), nullptr, 0)),
                     {unsigned(std::strtoul(f[1].c_str(), nullptr, 0)),
                      unsigned(std::strtoul(f[4].c_str(), nullptr, 0))}});
    }
    return rows;
}

TEST(Keys, TableAgreesWithThePublicKeyCodeTable) {
    const auto rows = ReadKeymaps(KEYMAPS_CSV);
    if (rows.empty()) GTEST_SKIP() << "no " << KEYMAPS_CSV;
    int checked = 0;
    std::set<unsigned> ours;
    for (const KeyEntry& e : Table()) {
        const auto [lo, hi] = rows.equal_range(e.vk);
        if (lo == hi) {
            ours.insert(e.vk);
            continue;
        }
        const unsigned set1 = e.scan | (e.extended ? 0xE000u : 0u);
        bool found = false;
        for (auto it = lo; it != hi; ++it)
            found |= it->second.linuxKey == e.linuxKey && it->second.set1 == set1;
        EXPECT_TRUE(found) << std::hex << "vk " << unsigned(e.vk) << " key " << e.linuxKey
                           << " scan " << set1;
        ++checked;
    }
    EXPECT_GE(checked, 100);
    // Only the handheld's application buttons are missing from a desktop table.
    EXPECT_EQ(ours, (std::set<unsigned>{0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xCF}));
}

TEST(Keys, LookupsAndTheUsLayout) {
    EXPECT_EQ(ScanCode(0x0D), 0x1C);
    EXPECT_EQ(ScanCode(0x26), 0x48);  // up arrow: the code without its prefix
    EXPECT_EQ(ScanCode(0x07), 0);     // not a key
    EXPECT_EQ(ScanCode(0x1234), 0);
    EXPECT_EQ(Find(0xFF), nullptr);
    EXPECT_EQ(AppButton(0xC1), 1);
    EXPECT_EQ(AppButton(0xC5), 5);
    EXPECT_EQ(AppButton(0xCF), 5);
    EXPECT_EQ(AppButton(0xC6), 0);

    // Every printable ASCII character is typed by a key of the table and
    // that key types it back.
    for (uint32_t ch = 0x20; ch < 0x7F; ++ch) {
        const auto t = KeyForChar(ch);
        ASSERT_TRUE(t) << char(ch);
        EXPECT_NE(LinuxKey(t->vk), 0) << char(ch);
        EXPECT_EQ(CharForKey(t->vk, t->shift), char(ch)) << char(ch);
    }
    EXPECT_TRUE(KeyForChar('A')->shift);
    EXPECT_FALSE(KeyForChar('a')->shift);
    EXPECT_EQ(KeyForChar('*')->vk, '8');  // the main block before the keypad
    EXPECT_EQ(KeyForChar('\n')->vk, VK_RETURN);
    EXPECT_FALSE(KeyForChar(0xE9));           // no key for it on this layout
    EXPECT_EQ(CharForKey(0x61, false), '1');  // keypad 1
    EXPECT_EQ(CharForKey(VK_RETURN, false), 0);
}

}  // namespace
}  // namespace hd::platform::keys
