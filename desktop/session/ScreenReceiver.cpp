#include "desktop/session/ScreenReceiver.h"

#include <pthread.h>
#include <zlib.h>

#include <chrono>

#include "common/ByteOrder.h"
#include "common/Codes.h"
#include "common/Log.h"
#include "desktop/session/ProcessDeltas.h"

namespace hd::desktop {

ScreenReceiver::ScreenReceiver(ConnectionManager& manager, DesktopChannel& command)
    : m_manager(manager), m_command(command), m_channel(manager, false) {}

ScreenReceiver::~ScreenReceiver() {
    Stop();
}

bool ScreenReceiver::Start(ScreenView* view, uint16_t flags) {
    if (m_thread.joinable()) Stop();
    if (!m_channel.Connect(flags, 0, true)) return false;
    {
        std::lock_guard l(m_lock);
        m_view = view;
    }
    m_stop.Reset();
    m_pingOutstanding = false;
    m_extensionOffered = flags & INIT_EXT_SCREEN;
    m_extended.Reset();
    m_updateBytes = 0;
    m_run = true;
    m_ended = false;
    m_thread = std::thread([this] {
        pthread_setname_np(pthread_self(), "R");
        Receive();
    });
    return true;
}

void ScreenReceiver::Quiet() {
    m_run = false;
}

void ScreenReceiver::Stop() {
    m_run = false;
    {
        std::lock_guard l(m_lock);
        m_view = nullptr;
        m_frames = 0;
    }
    // End the channel, then shut its stream down so a blocked read returns;
    // the thread then sees an ended channel, not a broken one.
    IRAPIStream* stream = m_channel.Stream();
    m_channel.DisconnectIfOpen(false);
    m_channel.ShutdownStream(stream);
    m_stop.Set();
    if (m_thread.joinable()) {
        log::Log("%sWaiting for receiver thread to terminate", m_stopTag.c_str());
        for (int i = 0; i < 100 && !m_ended.load(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (!m_ended.load()) {
            log::Forced("%sForcing receiver thread to terminate", m_stopTag.c_str());
            m_channel.ShutdownStream(stream);
        }
        m_thread.join();
    }
    // No reader is left: the socket itself goes, not only the channel.
    m_channel.CloseSocket();
    std::lock_guard l(m_lock);
    m_image.Free();
    m_spareImage.Free();
    m_delta.Free();
    m_packed.Free();
}

void ScreenReceiver::WithImage(const std::function<void(const uint8_t*, size_t)>& fn) {
    std::lock_guard l(m_lock);
    fn(m_image.block, size_t(m_image.used));
}

void ScreenReceiver::Receive() {
    log::Log("R::Receive:Entering\n");
    // Any ending the owner did not ask for means the device is gone (closed,
    // reset, stopped, or sent nonsense): the window must not go on showing
    // a dead connection as alive.
    bool lost = true;
    while (m_run.load() && !m_stop.IsSet()) {
        uint8_t command = 0;
        int r = m_channel.ReadBytes(&command, 1);
        if (r == READ_TIMEOUT) {
            if (!m_pingOutstanding) {
                const uint8_t ping = HC_PING;
                if (!m_command.WriteBytes(&ping, 1)) log::Log("R::Receive:Error sending PING");
                m_pingOutstanding = true;
                continue;
            }
            log::Forced("R::Receive:Error ping not returned, exiting");
            if (m_run.load()) {
                m_manager.Ui().ShowMessage("No response from device, disconnecting ...");
                m_manager.Ui().RequestDisconnect();
            }
            lost = false;
            break;
        }
        if (r != READ_DONE) {
            log::Log("R::Receive:Error reading Cmd from stream\n");
            break;
        }
        if (command == HC_STOP) {
            log::Log("R::Receive:Stop command received");
            break;
        }
        if (command == HC_PING) {
            const uint8_t pong = HC_PONG;
            if (!m_command.WriteBytes(&pong, 1)) log::Log("R::Receive:Error sending PONG");
        } else if (command == HC_PONG) {
            m_pingOutstanding = false;
        } else if (command == HC_FULLSCREEN || command == HC_DELTASCREEN ||
                   (command == HC_EXTSCREEN && m_extensionOffered)) {
            if (!ReadUpdate(command)) break;
        } else {
            log::Forced("R::Receive:Invalid command %x received\n", unsigned(command));
            break;
        }
    }
    if (lost && m_run.load()) {
        m_manager.Ui().ShowMessage(kConnectionLost);
        m_manager.Ui().RequestDisconnect();
    }
    log::Log("R::Receive:Exiting\n");
    m_ended = true;
}

bool ScreenReceiver::ReadUpdate(uint8_t command) {
    uint8_t hdr[8];
    if (m_channel.ReadFully(hdr, 4) != READ_DONE || m_channel.ReadFully(hdr + 4, 4) != READ_DONE) {
        log::Forced("R::Receive:Error reading length from stream");
        return false;
    }
    const uint32_t c = get_be32(hdr);
    const uint32_t d = get_be32(hdr + 4);
    // Bounded before anything is allocated: the peer cannot make us reserve more.
    if (c > DesktopChannel::TransferCeiling() || d > DesktopChannel::TransferCeiling()) {
        log::Forced("R::Receive:Error reading compressed data from stream\n");
        return false;
    }
    m_packed.used = 0;
    if (!grow::MakeRoom(m_packed, c) || m_channel.ReadFully(m_packed.block, c) != READ_DONE) {
        log::Forced("R::Receive:Error reading compressed data from stream\n");
        return false;
    }
    m_packed.used = int32_t(c);
    m_updateBytes += 9 + uint64_t(c);
    if (command == HC_EXTSCREEN) {
        std::lock_guard l(m_lock);
        const auto r = m_extended.Apply(m_packed.block, c, d, m_image);
        if (r == ExtendedUpdateDecoder::Result::Broken) return false;
        if (r == ExtendedUpdateDecoder::Result::Applied) {
            ++m_frames;
            if (m_view) m_view->FrameReady(m_image.block, size_t(m_image.used));
        }
        return true;
    }
    m_delta.used = 0;
    uLongf out = d;
    if (!grow::MakeRoom(m_delta, d) || uncompress(m_delta.block, &out, m_packed.block, c) != Z_OK) {
        log::Forced("R::Receive:Error on uncompress");
        return false;
    }
    m_delta.used = int32_t(out);
    log::Log(command == HC_FULLSCREEN ? "R::Receive:Cmd=HC_FULLSCREEN m_DeltaLen=%d"
                                      : "R::Receive:Cmd=HC_DELTASCREEN m_DeltaLen=%d",
             int(d));
    std::lock_guard l(m_lock);
    // A malformed update is skipped (and logged by the decoder); the stream
    // itself is still in step.
    if (!ProcessDeltas(m_delta.block, size_t(m_delta.used), m_image, m_spareImage)) return true;
    ++m_frames;
    if (m_view) m_view->FrameReady(m_image.block, size_t(m_image.used));
    return true;
}

}  // namespace hd::desktop
