#include "agent/input/KeySender.h"

#include <thread>

#include "agent/platform/Keys.h"
#include "common/ByteOrder.h"
#include "common/Codes.h"
#include "common/Log.h"

namespace hd {

namespace {
constexpr uint8_t kShift = 0x10;
constexpr uint8_t kLeftWindows = 0x5B;
}  // namespace

KeySender::KeySender(std::unique_ptr<platform::Input> input, Pause pause)
    : m_input(std::move(input)), m_pause(std::move(pause)) {
    if (!m_pause) m_pause = [](std::chrono::milliseconds ms) { std::this_thread::sleep_for(ms); };
}

void KeySender::SendKey(uint16_t vk, uint16_t scan, uint32_t flags) {
    const platform::InjectResult r = m_input->SendKeyboard({vk, scan, flags});
    log::Log("KS::SendKey:SendInput returned : %d, LE = (0x%08X)\n", int(r.inserted),
             unsigned(r.lastError));
}

bool KeySender::ReadKey(Channel& channel, uint32_t& key) {
    uint8_t b[4] = {};
    const int r = channel.ReadFully(b, 4);
    key = get_le32(b);
    log::Log("PI:Read for key ret=%s Key=%xH\n", r == READ_DONE ? "ok" : "Error", unsigned(key));
    return r == READ_DONE;
}

bool KeySender::Handle(uint8_t command, Channel& channel) {
    using platform::kKeyUp;
    if (command == HC_APPBUTTON) return AppButton(channel);
    if (command == HC_MOUSE) return Mouse(channel);

    uint32_t key = 0;
    if (!ReadKey(channel, key)) return false;
    // A keyboard record holds a 16-bit key; key-event calls take its low byte.
    const uint16_t vk = uint16_t(key);
    switch (command) {
        case HC_KEY: {
            const uint8_t scan = platform::keys::ScanCode(vk);
            SendKey(vk, scan, 0);
            SendKey(vk, scan, kKeyUp);
            break;
        }
        case HC_SHIFTKEY: {
            const uint8_t shiftScan = platform::keys::ScanCode(kShift);
            const uint8_t scan = platform::keys::ScanCode(vk);
            SendKey(kShift, shiftScan, 0);
            SendKey(vk, scan, 0);
            SendKey(vk, scan, kKeyUp);
            SendKey(kShift, shiftScan, kKeyUp);
            break;
        }
        case HC_CHAR:
            m_input->PostCharacter(key);
            break;
        case HC_KEYDOWN:
            m_input->PostKeyDown(key);
            break;
        case HC_KEYEVENT:
            m_input->KeybdEvent(uint8_t(key), 0, 0);
            m_input->KeybdEvent(uint8_t(key), 0, kKeyUp);
            break;
    }
    return true;
}

// The hardware application buttons are the left Windows key chorded with the
// button's key.
bool KeySender::AppButton(Channel& channel) {
    uint8_t vk;
    if (channel.ReadFully(&vk, 1) != READ_DONE) {
        log::Forced("PI:Error reading vkey for app button");
        return false;
    }
    m_input->KeybdEvent(kLeftWindows, 0, 0);
    m_input->KeybdEvent(vk, 0, 0);
    m_input->KeybdEvent(vk, 0, platform::kKeyUp);
    m_input->KeybdEvent(kLeftWindows, 0, platform::kKeyUp);
    return true;
}

bool KeySender::Mouse(Channel& channel) {
    using namespace platform;
    uint8_t type;
    uint8_t b[2];
    if (channel.ReadFully(&type, 1) != READ_DONE) {
        log::Forced("PI:Error reading mouse event type");
        return false;
    }
    if (channel.ReadFully(b, 2) != READ_DONE) {
        log::Forced("PI:Error reading mouse x coord");
        return false;
    }
    const uint16_t x = get_be16(b);
    if (channel.ReadFully(b, 2) != READ_DONE) {
        log::Forced("PI:Error reading mouse y coord");
        return false;
    }
    const uint16_t y = get_be16(b);
    log::Log("PI:received HC_MOUSE event, type=%d x=%d y=%d", int(type), int(x), int(y));
    uint32_t flags = kMouseAbsolute;
    switch (type) {
        case 0:
            flags |= kMouseLeftDown;
            break;
        case 1:
            m_pause(kTapPause);
            flags |= kMouseLeftUp;
            break;
        case 2:
            flags |= kMouseRightDown;
            break;
        case 3:
            flags |= kMouseRightUp;
            break;
        case 4:
            flags |= kMouseMove;
            break;
    }
    m_input->MouseEvent(flags, x, y);
    return true;
}

}  // namespace hd
