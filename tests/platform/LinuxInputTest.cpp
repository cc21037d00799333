#include "agent/platform/linux/LinuxInput.h"

#include <gtest/gtest.h>
#include <linux/input-event-codes.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "common/Log.h"

namespace hd::platform {
namespace {

using Events = std::vector<std::string>;

// A device that records the events written to it, tagged K (keyboard) or P
// (pointer), into one list; it can be made to refuse them.
class RecordingDevice : public UinputDevice {
public:
    RecordingDevice(char tag, Events& out) : m_tag(tag), m_out(out) {}
    bool Write(uint16_t type, uint16_t code, int32_t value) override {
        if (fail) {
            errno = EIO;
            return false;
        }
        m_out.push_back(Event(m_tag, type, code, value));
        return true;
    }
    static std::string Event(char tag, uint16_t type, uint16_t code, int32_t value) {
        if (type == EV_SYN) return std::string(1, tag) + " syn";
        return std::string(1, tag) + (type == EV_KEY ? " key " : " abs ") + std::to_string(code) +
               "=" + std::to_string(value);
    }
    bool fail = false;

private:
    char m_tag;
    Events& m_out;
};

// The keyboard events of one key change and its report.
Events K(uint16_t code, int value) {
    return {RecordingDevice::Event('K', EV_KEY, code, value), "K syn"};
}
Events Tap(uint16_t code) {
    Events e = K(code, 1);
    for (auto& s : K(code, 0)) e.push_back(s);
    return e;
}
Events Join(std::initializer_list<Events> parts) {
    Events all;
    for (const Events& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

struct Rig {
    Rig() {
        auto k = std::make_unique<RecordingDevice>('K', events);
        auto p = std::make_unique<RecordingDevice>('P', events);
        keyboard = k.get();
        pointer = p.get();
        input = std::make_unique<LinuxInput>(std::move(k), std::move(p));
    }
    Events Take() { return std::exchange(events, {}); }
    Events events;
    RecordingDevice* keyboard;
    RecordingDevice* pointer;
    std::unique_ptr<LinuxInput> input;
};

TEST(LinuxInput, KeysMapThroughTheTable) {
    Rig r;
    InjectResult res = r.input->SendKeyboard({0x0D, 0x1C, 0});
    EXPECT_EQ(res.inserted, 1u);
    r.input->SendKeyboard({0x0D, 0x1C, kKeyUp});
    r.input->KeybdEvent(0x5B, 0, 0);
    r.input->KeybdEvent(0xC1, 0, 0);
    EXPECT_EQ(r.Take(),
              Join({K(KEY_ENTER, 1), K(KEY_ENTER, 0), K(KEY_LEFTMETA, 1), K(KEY_PROG1, 1)}));

    // A posted key-down is a message: nothing stays pressed.
    EXPECT_TRUE(r.input->PostKeyDown(0x25));
    EXPECT_EQ(r.Take(), Tap(KEY_LEFT));

    // A key Linux has no code for inserts nothing and says why.
    res = r.input->SendKeyboard({0x07, 0, 0});
    EXPECT_EQ(res.inserted, 0u);
    EXPECT_EQ(res.lastError, uint32_t(EINVAL));
    EXPECT_FALSE(r.input->PostKeyDown(0xE8));
    EXPECT_EQ(r.Take(), Events{});
}

TEST(LinuxInput, CharactersTypeOnTheUsLayoutOrByCodePoint) {
    Rig r;
    EXPECT_TRUE(r.input->PostCharacter('a'));
    EXPECT_EQ(r.Take(), Tap(KEY_A));
    // Upper case and shifted symbols: shift around the key, released last.
    EXPECT_TRUE(r.input->PostCharacter('A'));
    EXPECT_EQ(r.Take(), Join({K(KEY_LEFTSHIFT, 1), Tap(KEY_A), K(KEY_LEFTSHIFT, 0)}));
    EXPECT_TRUE(r.input->PostCharacter('?'));
    EXPECT_EQ(r.Take(), Join({K(KEY_LEFTSHIFT, 1), Tap(KEY_SLASH), K(KEY_LEFTSHIFT, 0)}));
    EXPECT_TRUE(r.input->PostCharacter('\r'));
    EXPECT_EQ(r.Take(), Tap(KEY_ENTER));

    // No key for the euro sign: Ctrl+Shift+U, 20ac, Enter.
    EXPECT_TRUE(r.input->PostCharacter(0x20AC));
    EXPECT_EQ(r.Take(), Join({K(KEY_LEFTCTRL, 1), K(KEY_LEFTSHIFT, 1), Tap(KEY_U),
                              K(KEY_LEFTSHIFT, 0), K(KEY_LEFTCTRL, 0), Tap(KEY_2), Tap(KEY_0),
                              Tap(KEY_A), Tap(KEY_C), Tap(KEY_ENTER)}));

    // Not characters: half a surrogate pair, past Unicode, 0.
    for (uint32_t bad : {0xD800u, 0x110000u, 0u}) EXPECT_FALSE(r.input->PostCharacter(bad));
    EXPECT_EQ(r.Take(), Events{});
}

TEST(LinuxInput, StylusIsAnAbsolutePointer) {
    Rig r;
    r.input->MouseEvent(0x8002, 100, 65535);
    r.input->MouseEvent(0x8001, 200, 300);
    r.input->MouseEvent(0x8004, 200, 70000);  // clamped to the axis
    r.input->MouseEvent(0x8008, 1, 2);
    r.input->MouseEvent(0x8010, 1, 2);
    EXPECT_EQ(r.Take(),
              (Events{
                  "P abs 0=100", "P abs 1=65535", "P key 272=1", "P key 330=1", "P syn",
                  "P abs 0=200", "P abs 1=300",   "P syn",       "P abs 0=200", "P abs 1=65535",
                  "P key 272=0", "P key 330=0",   "P syn",       "P abs 0=1",   "P abs 1=2",
                  "P key 273=1", "P syn",         "P abs 0=1",   "P abs 1=2",   "P key 273=0",
                  "P syn",
              }));
    // A position alone moves nothing and presses nothing; relative events
    // are not the agent's.
    EXPECT_TRUE(r.input->MouseEvent(0x8000, 5, 5));
    EXPECT_FALSE(r.input->MouseEvent(0x0001, 5, 5));
    EXPECT_EQ(r.Take(), Events{});
}

class Lines : public log::Sink {
public:
    Lines() { log::SetSink(this); }
    ~Lines() override { log::SetSink(nullptr); }
    void Write(bool forced, const char* text) override {
        if (forced) lines.push_back(text);
    }
    Events lines;
};

TEST(LinuxInput, WriteFailuresAreReportedAndLoggedOnce) {
    Lines logs;
    Rig r;
    r.keyboard->fail = true;
    const InjectResult res = r.input->SendKeyboard({0x41, 0x1E, 0});
    EXPECT_EQ(res.inserted, 0u);
    EXPECT_EQ(res.lastError, uint32_t(EIO));
    EXPECT_FALSE(r.input->PostCharacter('A'));
    ASSERT_EQ(logs.lines.size(), 1u);
    EXPECT_EQ(logs.lines[0].rfind("LI::Write:Error writing input event", 0), 0u);

    r.keyboard->fail = false;
    EXPECT_EQ(r.input->SendKeyboard({0x41, 0x1E, 0}).inserted, 1u);
    r.keyboard->fail = true;
    r.input->SendKeyboard({0x41, 0x1E, kKeyUp});
    EXPECT_EQ(logs.lines.size(), 2u);  // a new failure after a success is logged again
}

TEST(LinuxInput, DevicesOfferWhatIsWritten) {
    const UinputSetup k = LinuxInput::KeyboardSetup();
    for (uint16_t code : {KEY_LEFTSHIFT, KEY_LEFTCTRL, KEY_U, KEY_ENTER, KEY_A, KEY_F, KEY_0,
                          KEY_PROG1, KEY_LEFTMETA})
        EXPECT_TRUE(std::binary_search(k.keys.begin(), k.keys.end(), code)) << code;
    EXPECT_FALSE(k.absolute);
    const UinputSetup p = LinuxInput::PointerSetup();
    EXPECT_TRUE(p.absolute);
    EXPECT_EQ(p.keys, (std::vector<uint16_t>{BTN_LEFT, BTN_RIGHT, BTN_TOUCH}));
}

// Only where this process may make input devices.
TEST(LinuxInput, RealUinputDevices) {
    if (access("/dev/uinput", W_OK) != 0) GTEST_SKIP() << "/dev/uinput is not writable";
    std::unique_ptr<LinuxInput> input = LinuxInput::Open();
    ASSERT_NE(input, nullptr);
    EXPECT_EQ(input->SendKeyboard({0x10, 0x2A, 0}).inserted, 1u);
    EXPECT_EQ(input->SendKeyboard({0x10, 0x2A, kKeyUp}).inserted, 1u);
    EXPECT_TRUE(input->MouseEvent(0x8001, 32768, 32768));
}

}  // namespace
}  // namespace hd::platform
