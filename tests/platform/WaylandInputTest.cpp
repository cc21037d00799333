// Wayland input on a private headless sway: the key sender's commands arrive
// at a real client as the right keysyms and pointer positions, characters
// without a key among them; and the generated keymap types what the key
// table says.
#include <gtest/gtest.h>

#include "agent/platform/wayland/WaylandInput.h"

#include "agent/input/KeySender.h"
#include "agent/platform/Keys.h"
#include "common/ByteOrder.h"
#include "common/Codes.h"
#include "platform/SwayServer.h"
#include "platform/XvfbServer.h"
#include "support/FakeStream.h"

#include <set>

namespace hd::platform {
namespace {

using test::SwayServer;
using test::TestClient;
using Lines = std::vector<std::string>;

// Every character the US layout types has a key in the keymap, on the key
// and with the Shift the key table names; others get spare codes, the least
// recently lent one first.
TEST(WaylandKeymap, TypesWhatTheKeyTableTypesAndLendsSpares) {
    auto keymap = WaylandKeymap::Create();
    ASSERT_TRUE(keymap);
    EXPECT_NE(keymap->Text().find("xkb_symbols"), std::string::npos);
    for (uint32_t ch = 0x20; ch < 0x7F; ++ch) {
        const auto typing = keys::KeyForChar(ch);
        ASSERT_TRUE(typing) << ch;
        const auto key = keymap->KeyFor(ch);
        ASSERT_TRUE(key) << char(ch);
        EXPECT_EQ(key->code, keys::LinuxKey(typing->vk)) << char(ch);
        EXPECT_EQ(key->shift, typing->shift) << char(ch);
    }
    EXPECT_FALSE(keymap->KeyFor(0xE9));
    EXPECT_EQ(WaylandKeymap::CharKeysym(0x01), 0u);
    EXPECT_EQ(WaylandKeymap::CharKeysym(0xD800), 0u);

    const std::vector<uint32_t> spares = keymap->SpareCodes();
    ASSERT_EQ(spares.size(), WaylandKeymap::kSpares);
    for (uint32_t code : spares)
        for (const keys::KeyEntry& k : keys::Table()) EXPECT_NE(code, k.linuxKey);
    bool changed = false;
    const std::string before = keymap->Text();
    const uint32_t euro = keymap->Lend(WaylandKeymap::CharKeysym(0x20AC), changed);
    EXPECT_TRUE(changed);
    EXPECT_NE(keymap->Text(), before);
    EXPECT_EQ(keymap->Lend(WaylandKeymap::CharKeysym(0x20AC), changed), euro);
    EXPECT_FALSE(changed);
    // Eight more characters: the codes never lent go first, then the euro's.
    std::vector<uint32_t> lent;
    for (uint32_t ch = 0x3B1; ch < 0x3B1 + WaylandKeymap::kSpares; ++ch)
        lent.push_back(keymap->Lend(WaylandKeymap::CharKeysym(ch), changed));
    EXPECT_EQ(lent.back(), euro);
    EXPECT_EQ(std::set<uint32_t>(lent.begin(), lent.end()).size(), WaylandKeymap::kSpares);
}

TEST(WaylandInput, CommandsArriveAsTheirKeysymsAndPositions) {
    if (!test::HaveSway()) GTEST_SKIP() << test::kNoSway;
    SwayServer sway("320x240");
    ASSERT_TRUE(sway.Started()) << sway.Error();
    TestClient client({WAYLAND_TEST_CLIENT, sway.ClientEnv()}, {});
    ASSERT_FALSE(client.WaitLine("configured 320 240", 5000).empty());
    auto input = WaylandInput::Open(sway.Socket().c_str());
    ASSERT_TRUE(input);
    EXPECT_TRUE(input->HasKeyboard());
    EXPECT_TRUE(input->HasPointer());
    // The client gets a keyboard once the seat has one.
    ASSERT_EQ(client.WaitLine("focus", 3000), "focus in");
    KeySender ks(std::move(input), [](std::chrono::milliseconds) {});

    auto send = [&](uint8_t command, std::vector<uint8_t> payload) {
        test::FakeStream wire;
        wire.AddBytes(std::move(payload));
        Channel channel(&wire);
        EXPECT_TRUE(ks.Handle(command, channel));
    };
    auto key = [&](uint8_t command, uint32_t k) {
        std::vector<uint8_t> p(4);
        put_le32(p.data(), k);
        send(command, p);
    };
    auto mouse = [&](uint8_t type, int x, int y) {
        std::vector<uint8_t> p(5);
        p[0] = type;
        put_be16(p.data() + 1, uint16_t((2 * x + 1) * 65536 / (2 * 320)));
        put_be16(p.data() + 3, uint16_t((2 * y + 1) * 65536 / (2 * 240)));
        send(HC_MOUSE, p);
    };
    auto next = [&](int n) {
        Lines lines;
        for (int i = 0; i < n; ++i) lines.push_back(client.WaitLine("key ", 3000));
        return lines;
    };

    key(HC_KEY, 'A');
    EXPECT_EQ(next(1), (Lines{"key a"}));
    key(HC_KEY, 0x0D);
    EXPECT_EQ(next(1), (Lines{"key Return"}));
    key(HC_SHIFTKEY, 'A');
    EXPECT_EQ(next(2), (Lines{"key Shift_L", "key A"}));
    key(HC_CHAR, '?');
    EXPECT_EQ(next(2), (Lines{"key Shift_L", "key question"}));
    // Characters the layout has no key for, on lent codes, then a plain one.
    key(HC_CHAR, 0xE9);
    key(HC_CHAR, 0x20AC);
    key(HC_CHAR, 0xE9);
    key(HC_CHAR, 'x');
    EXPECT_EQ(next(4), (Lines{"key eacute", "key EuroSign", "key eacute", "key x"}));

    mouse(0, 40, 25);
    mouse(1, 40, 25);
    EXPECT_EQ(client.WaitLine("button", 3000), "button 272 pressed 40 25");
    EXPECT_EQ(client.WaitLine("button", 3000), "button 272 released 40 25");
    mouse(4, 300, 200);
    EXPECT_EQ(client.WaitLine("motion 300", 3000), "motion 300 200");
    mouse(2, 319, 239);
    mouse(3, 319, 239);
    EXPECT_EQ(client.WaitLine("button", 3000), "button 273 pressed 319 239");
    EXPECT_EQ(client.WaitLine("button", 3000), "button 273 released 319 239");
}

}  // namespace
}  // namespace hd::platform
