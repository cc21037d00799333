// ScreenReceiver (log tag "R"), the screen receiver: its own thread reads the screen channel,
// answers and sends keep-alive bytes on the command channel, unpacks every update and applies it to
// the desktop's BMP image of the handheld's screen, then tells the view. Started and stopped on the
// user-interface thread; the image is shared with the view under the receiver's lock. Stop never
// kills the thread: it shuts the stream down and joins.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "common/Event.h"
#include "common/GrowBuffer.h"
#include "desktop/session/DesktopChannel.h"
#include "desktop/session/ExtendedUpdateDecoder.h"

namespace hd::desktop {

// Told about each applied update, on the receiver thread, under the lock.
// It must return at once (post a repaint), never block on the UI.
class ScreenView {
public:
    virtual ~ScreenView() = default;
    virtual void FrameReady(const uint8_t* image, size_t length) = 0;
};

class ScreenReceiver {
public:
    // Shown when the screen channel ends without the owner asking.
    static constexpr const char* kConnectionLost =
        "The connection to the device was lost, disconnecting ...";

    ScreenReceiver(ConnectionManager& manager, DesktopChannel& command);
    ~ScreenReceiver();

    // Opens the screen channel and starts the thread; false when either fails.
    // With INIT_EXT_SCREEN in flags the extended updates are read too.
    bool Start(ScreenView* view, uint16_t flags);
    // From now on an ending is the owner's: the thread no longer reports it
    // as a lost connection (called before the command channel is ended).
    void Quiet();
    void Stop();
    // Who stops the receiver, as its stop messages say: "" for the main
    // window, "CSkin::Stop:" while the skin window shows the screen.
    void SetStopTag(std::string tag) { m_stopTag = std::move(tag); }
    bool Running() const { return m_thread.joinable() && !m_ended.load(); }

    // Runs fn on the current image under the lock (length 0 before the first).
    void WithImage(const std::function<void(const uint8_t*, size_t)>& fn);
    uint32_t Frames() const { return m_frames.load(); }
    // Bytes of screen updates received since Start (packets, headers included).
    uint64_t UpdateBytes() const { return m_updateBytes.load(); }
    DesktopChannel& Channel() { return m_channel; }

    // The receive loop itself, run on the caller's thread (tests).
    void Receive();

private:
    bool ReadUpdate(uint8_t command);

    ConnectionManager& m_manager;
    DesktopChannel& m_command;
    DesktopChannel m_channel;  // the screen channel
    ScreenView* m_view = nullptr;
    std::mutex m_lock;  // the view pointer and the image
    GrowBuffer m_image, m_delta, m_packed;
    GrowBuffer m_spareImage;  // a full update is written here, then changes places
    ExtendedUpdateDecoder m_extended;
    bool m_extensionOffered = false;
    std::atomic<uint32_t> m_frames{0};
    std::atomic<uint64_t> m_updateBytes{0};
    bool m_pingOutstanding = false;
    std::atomic<bool> m_run{false};
    std::atomic<bool> m_ended{true};
    Event m_stop{true};
    std::thread m_thread;
    std::string m_stopTag;
};

}  // namespace hd::desktop
