// An input backend for tests: records every event the key sender makes, in
// order, as short readable lines ("key 10/2a down", "kbd 5b up",
// "char 41", "post 0d", "mouse 8002 100,200"), with the pauses it asks for
// in the same list. One test thread.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "agent/platform/Input.h"

namespace hd::test {

class RecordingInput : public platform::Input {
public:
    explicit RecordingInput(std::vector<std::string>& events) : m_events(events) {}

    platform::InjectResult SendKeyboard(const platform::KeyRecord& r) override {
        Add("key %02x/%02x %s", unsigned(r.vk), unsigned(r.scan),
            r.flags & platform::kKeyUp ? "up" : "down");
        return {1, 0};
    }
    bool PostCharacter(uint32_t ch) override {
        Add("char %x", unsigned(ch));
        return true;
    }
    bool PostKeyDown(uint32_t vk) override {
        Add("post %02x", unsigned(vk));
        return true;
    }
    bool KeybdEvent(uint8_t vk, uint8_t, uint32_t flags) override {
        Add("kbd %02x %s", unsigned(vk), flags & platform::kKeyUp ? "up" : "down");
        return true;
    }
    bool MouseEvent(uint32_t flags, uint32_t x, uint32_t y) override {
        Add("mouse %x %u,%u", unsigned(flags), unsigned(x), unsigned(y));
        return true;
    }
    // For the key sender's pause.
    void Pause(std::chrono::milliseconds ms) { Add("pause %d", int(ms.count())); }

private:
    template <typename... A>
    void Add(const char* fmt, A... a) {
        char line[64];
        std::snprintf(line, sizeof line, fmt, a...);
        m_events.push_back(line);
    }
    std::vector<std::string>& m_events;
};

}  // namespace hd::test
