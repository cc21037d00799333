// What the command loop may ask of the screen sender: wake requests (one
// slot: a later request replaces one not yet taken), Stop, and the HC_INIT
// settings. Called only from the HdInvoke thread.
#pragma once

namespace hd {

enum WakeAction : int {
    WAKE_STOP = 0,
    WAKE_STOPPED = 1,
    WAKE_PING = 2,
    WAKE_PONG = 3,
    WAKE_INPUT = 4,
    WAKE_RUNNING = 5,
};

class SenderControl {
public:
    virtual ~SenderControl() = default;
    virtual void Stop() = 0;
    virtual void Wake(WakeAction action) = 0;
    // Slow link: compress updates at zlib level 9 from now on (never lowered).
    virtual void SetSlowLink() = 0;
    virtual void SetKeepDisplayPointer(bool keep) = 0;
    // Whether this connection's desktop reads the extended screen update.
    virtual void SetScreenExtension(bool) {}
};

}  // namespace hd
