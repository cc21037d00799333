// KeySender (log tag "KS"), the key sender: reads the payload of each input command (codes 25-30
// and 35) and injects it through the device's input backend with the event
// sequences the desktop expects (Shift around a shifted key, the Windows-key
// chord of an application button, a pause before a stylus lift). Made at agent
// load, used on the HdInvoke thread only; owns its backend. It never reports
// an injection failure to the desktop, only logs it.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

#include "agent/CommandHandler.h"
#include "agent/platform/Input.h"

namespace hd {

class KeySender : public CommandHandler {
public:
    using Pause = std::function<void(std::chrono::milliseconds)>;
    // How long a stylus lift waits, so that a quick tap is seen as a tap.
    static constexpr std::chrono::milliseconds kTapPause{50};

    // pause defaults to sleeping the calling thread.
    explicit KeySender(std::unique_ptr<platform::Input> input, Pause pause = {});

    // False when the command's payload could not be read (the call must end).
    bool Handle(uint8_t command, Channel& channel) override;

    // One keyboard record into the input queue.
    void SendKey(uint16_t vk, uint16_t scan, uint32_t flags);

private:
    bool ReadKey(Channel& channel, uint32_t& key);
    bool AppButton(Channel& channel);
    bool Mouse(Channel& channel);

    std::unique_ptr<platform::Input> m_input;
    Pause m_pause;
};

}  // namespace hd
