#include "agent/ScreenSender.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstring>
#include <thread>

#include "common/ByteOrder.h"
#include "common/Codes.h"
#include "common/Log.h"
#include "common/SegmentEncoder.h"

namespace hd {

namespace {

static_assert(std::endian::native == std::endian::little, "the word compares assume little-endian");

inline uint64_t Load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

// First index in [i, end) where a and b differ, or end.
uint32_t SkipEqual(const uint8_t* a, const uint8_t* b, uint32_t i, uint32_t end) {
    while (i + 8 <= end) {
        uint64_t x = Load64(a + i) ^ Load64(b + i);
        if (x) return i + uint32_t(std::countr_zero(x) / 8);
        i += 8;
    }
    while (i < end && a[i] == b[i]) ++i;
    return i;
}

// From a differing byte at i, the end of the changed run: the run stops where
// 8 consecutive equal bytes follow, or at end.
uint32_t RunEnd(const uint8_t* a, const uint8_t* b, uint32_t i, uint32_t end) {
    uint32_t runEnd = i + 1;
    uint32_t equal = 0;
    uint32_t j = i + 1;
    while (j + 8 <= end) {
        uint64_t x = Load64(a + j) ^ Load64(b + j);
        if (!x) return runEnd;  // eight equal bytes
        uint32_t lead = uint32_t(std::countr_zero(x) / 8);
        if (equal + lead >= 8) return runEnd;
        uint32_t lastDiff = 7 - uint32_t(std::countl_zero(x) / 8);
        runEnd = j + lastDiff + 1;
        equal = 7 - lastDiff;
        j += 8;
    }
    for (; j < end; ++j) {
        if (a[j] != b[j]) {
            runEnd = j + 1;
            equal = 0;
        } else if (++equal == 8) {
            break;
        }
    }
    return runEnd;
}

uint32_t NowMs() {
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

ScreenSender::ScreenSender(platform::Display& display, Timing timing)
    : m_display(display), m_frameReader(display), m_timing(timing) {}

int ScreenSender::Start(uint32_t intervalMs, Channel& channel) {
    m_intervalMs = intervalMs ? intervalMs : kDefaultIntervalMs;
    m_channel = &channel;
    m_imageBuf.used = 0;  // every connection starts with a full update
    m_extended.Reset();
    m_extendedFailed = false;
    m_wake.Reset();
    int seen = m_wakeAction.load();
    if (seen == WAKE_STOP || !m_wakeAction.compare_exchange_strong(seen, WAKE_RUNNING)) {
        // The command channel ended before this one started: stop at once.
        m_wakeAction.store(WAKE_STOPPED);
        const uint8_t stop = HC_STOP;
        channel.WriteBytes(&stop, 1);
        log::Log("S::Snapper:Exiting");
        return 0;
    }
    m_eventOpen.store(true);
    log::Log("S::Snapper:Entering, refresh frequency %dms Run=%d m_WakeAction=%d\n",
             int(m_intervalMs), 1, m_wakeAction.load());
    int fast = 0;
    bool first = true;
    while (m_wakeAction.load() != WAKE_STOP) {
        if (!first) {
            int waitMs = int(m_intervalMs);
            if (m_display.ReportsChanges()) waitMs = std::max(waitMs, m_timing.safetyPollMs);
            if (fast == 1) {
                waitMs = m_timing.fastPollMs;
                fast = 2;
            } else if (fast == 2) {
                waitMs = m_timing.fastPollMs;
                fast = 0;
            }
            if (m_wake.Wait(waitMs)) {
                // Taken: the slot says running again, so a screen change may
                // fill it without the request being acted on twice.
                int action = m_wakeAction.load();
                while (action != WAKE_STOP &&
                       !m_wakeAction.compare_exchange_weak(action, WAKE_RUNNING)) {
                }
                switch (action) {
                    case WAKE_STOP:
                        log::Log("S::Snapper:Stop event signalled\n");
                        break;
                    case WAKE_PING: {
                        const uint8_t b = HC_PING;
                        if (!channel.WriteBytes(&b, 1))
                            log::Forced("S::Snapper:Error sending PING");
                        break;
                    }
                    case WAKE_PONG: {
                        const uint8_t b = HC_PONG;
                        if (!channel.WriteBytes(&b, 1))
                            log::Forced("S::Snapper:Error sending PONG");
                        break;
                    }
                    case WAKE_INPUT:
                        fast = 1;
                        break;
                    case WAKE_RUNNING:  // a request taken by the pass before
                        break;
                    default:
                        log::Forced("S::Snapper:Error unknown wake action %d", action);
                }
            }
        }
        first = false;
        bool sent = false;
        if (!Snap(sent)) {
            log::Forced("S::Snapper:Snap() failed, exiting");
            break;
        }
        if (sent && fast == 0) fast = 1;
    }
    // Whatever ended the loop, it has stopped: Stop must not wait for it.
    m_wakeAction.store(WAKE_STOPPED);
    const uint8_t stop = HC_STOP;
    channel.WriteBytes(&stop, 1);
    log::Log("S::Snapper:Exiting");
    return 0;
}

void ScreenSender::Stop() {
    log::Log("S::Stop:Entering m_hThread=%dH", 0);
    log::Log("S::Stop:signalling sender thread to stop");
    const int old = m_wakeAction.exchange(WAKE_STOP);
    m_wake.Set();
    bool stopped = old == WAKE_STOPPED;
    for (int i = 0; !stopped && i < m_timing.stopPolls; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(m_timing.stopPollMs));
        stopped = m_wakeAction.load() == WAKE_STOPPED;
    }
    m_eventOpen.store(false);
    // A loop still running (blocked in a write) keeps its buffers; Start
    // resets the reference, so the next connection still begins in full.
    if (stopped) FreeBuffers();
}

void ScreenSender::Wake(WakeAction action) {
    if (!m_eventOpen.load()) return;
    m_wakeAction.store(action);
    m_wake.Set();
}

void ScreenSender::WakeForScreenChange() {
    if (!m_eventOpen.load()) return;
    int idle = WAKE_RUNNING;
    m_wakeAction.compare_exchange_strong(idle, WAKE_INPUT);
    m_wake.Set();  // a pending request is taken by this pass, then the capture
}

void ScreenSender::FreeBuffers() {
    m_imageBuf.Free();
    m_workImageBuf.Free();
    m_deltaBuf.Free();
    m_compBuf.Free();
}

bool ScreenSender::Snap(bool& sent) {
    sent = false;
    const uint32_t t0 = NowMs();
    if (!GetImageDeltas()) {
        if (m_extendedFailed) return false;
        log::Log("S::Snap:No deltas to send\n");
        return true;
    }
    log::Log("S::Snap:GetImageDelta Took=%dms, before writing deltas to stream m_CompLen=%d",
             int(NowMs() - t0), int(m_compBuf.used));
    if (!m_channel->WriteBytes(m_compBuf.block, uint32_t(m_compBuf.used))) {
        log::Log("S::Snap:Error writing comp deltas to stream m_CompLen=%d, exiting thread",
                 int(m_compBuf.used));
        return false;
    }
    sent = true;
    return true;
}

bool ScreenSender::GdiCapture() {
    const int w = m_display.Width();
    const int h = m_display.Height();
    if (w <= 0 || h <= 0) return false;
    m_layout = LayoutFor(w, h);
    m_frameReader.Invalidate();
    m_workImageBuf.used = 0;
    if (!grow::MakeRoom(m_workImageBuf, m_layout.totalLen)) return false;
    uint8_t* img = m_workImageBuf.block;
    WriteBmpHeaders(img, m_layout);
    // Row padding must not carry stale bytes into the compare.
    if (m_layout.stride != uint32_t(w) * 2)
        std::memset(img + m_layout.headerLen, 0, m_layout.totalLen - m_layout.headerLen);
    if (!m_display.CaptureRgb555(img + m_layout.headerLen, w, h, int(m_layout.stride)))
        return false;
    m_workImageBuf.used = int32_t(m_layout.totalLen);
    return true;
}

bool ScreenSender::Capture(uint32_t& first, uint32_t& last) {
    m_display.BeforeCapture();
    const bool sameSize =
        m_layout.width == m_display.Width() && m_layout.height == m_display.Height();
    if (m_imageBuf.used > 0 && m_workImageBuf.used > 0 && sameSize && m_frameReader.Open()) {
        int f, l;
        if (m_frameReader.VMem2DIB(m_workImageBuf.block + m_layout.headerLen, m_layout.width,
                                   m_layout.height, m_layout.stride, f, l)) {
            if (f < 0) {
                first = last = 0;
            } else {
                first = m_layout.headerLen + 2 * uint32_t(f);
                last = m_layout.headerLen + 2 * uint32_t(l) + 2;
            }
            return true;
        }
    }
    if (!GdiCapture()) return false;
    first = 0;
    last = uint32_t(m_workImageBuf.used);
    return true;
}

bool ScreenSender::GetImageDeltas() {
    if (m_extensionOn.load()) return BuildExtended();
    const uint8_t command = BuildDelta();
    return command && BuildCompData(command);
}

uint8_t ScreenSender::BuildDelta() {
    uint32_t first = 0, last = 0;
    if (!Capture(first, last) || first >= last) {
        log::Log("GetImageDeltas:No changes, returning false");
        return 0;
    }
    const uint32_t total = uint32_t(m_workImageBuf.used);
    m_deltaBuf.used = 0;
    if (!grow::MakeRoom(m_deltaBuf, 5000)) return 0;
    grow::AddLong(m_deltaBuf, total);
    if (uint32_t(m_imageBuf.used) != total) {
        log::Log(
            "S::GetImageDeltas:Full, m_WorkImageBufLen=%d m_WorkImageLen=%d "
            "m_DeltaBufLen=%d m_DeltaLen=%d m_ImageBufLen=%d m_ImageLen=%d\n",
            int(m_workImageBuf.capacity), int(total), int(m_deltaBuf.capacity),
            int(m_deltaBuf.used), int(m_imageBuf.capacity), int(m_imageBuf.used));
        m_imageBuf.used = 0;
        if (!grow::AddBytes(m_imageBuf, m_workImageBuf.block, total) ||
            !EncodeSegment(m_deltaBuf, 0, m_workImageBuf.block, total)) {
            m_imageBuf.used = 0;
            return 0;
        }
        return HC_FULLSCREEN;
    }
    log::Log(
        "S::GetImageDeltas:Partial, m_WorkImageBufLen=%d m_WorkImageLen=%d "
        "m_DeltaBufLen=%d m_DeltaLen=%d m_ImageBufLen=%d m_ImageLen=%d\n",
        int(m_workImageBuf.capacity), int(total), int(m_deltaBuf.capacity), int(m_deltaBuf.used),
        int(m_imageBuf.capacity), int(m_imageBuf.used));
    BuildPartial(first, std::min(last, total));
    log::Log(
        "S::GetImageDeltas:Compress done, m_WorkImageBufLen=%d m_WorkImageLen=%d "
        "m_DeltaBufLen=%d m_DeltaLen=%d m_ImageBufLen=%d m_ImageLen=%d",
        int(m_workImageBuf.capacity), int(total), int(m_deltaBuf.capacity), int(m_deltaBuf.used),
        int(m_imageBuf.capacity), int(m_imageBuf.used));
    if (m_deltaBuf.used <= 4) {
        log::Log("GetImageDeltas:Control should not get here");
        return 0;
    }
    return HC_DELTASCREEN;
}

bool ScreenSender::BuildExtended() {
    uint32_t first = 0, last = 0;
    if (!Capture(first, last) || first >= last) {
        log::Log("GetImageDeltas:No changes, returning false");
        return false;
    }
    const auto r = m_extended.Encode(m_imageBuf, m_workImageBuf, m_layout, first, last, m_compBuf);
    if (r == ExtendedScreenEncoder::Result::Failed) {
        log::Forced("S::GetImageDeltas:Error building the extended update, exiting");
        m_extendedFailed = true;
    }
    if (r == ExtendedScreenEncoder::Result::Packet)
        log::Log("S::GetImageDeltas:Extended, copies=%d m_DeltaLen=%d m_CompLen=%d",
                 int(m_extended.Moves().size()), int(m_extended.Update().used),
                 int(m_compBuf.used));
    return r == ExtendedScreenEncoder::Result::Packet;
}

void ScreenSender::BuildPartial(uint32_t first, uint32_t last) {
    uint8_t* ref = m_imageBuf.block;
    const uint8_t* work = m_workImageBuf.block;
    uint32_t i = first;
    while (i < last) {
        i = SkipEqual(ref, work, i, last);
        if (i >= last) break;
        const uint32_t end = RunEnd(ref, work, i, last);
        std::memcpy(ref + i, work + i, end - i);
        if (!EncodeSegment(m_deltaBuf, i, work + i, end - i)) return;
        i = end;
    }
}

bool ScreenSender::BuildCompData(uint8_t command) {
    const uint32_t d = uint32_t(m_deltaBuf.used);
    m_compBuf.used = 0;
    if (!grow::MakeRoom(m_compBuf, int64_t(ZlibPacker::Bound(d)) + 9)) return false;
    const size_t c = m_packer.Pack(m_deltaBuf.block, d, m_compBuf.block + 9, m_compBuf.capacity - 9,
                                   m_level.load());
    if (c == 0) {
        log::Forced("S::BuildCompData:No changes, returning false");
        return false;
    }
    m_compBuf.block[0] = command;
    put_be32(m_compBuf.block + 1, uint32_t(c));
    put_be32(m_compBuf.block + 5, d);
    m_compBuf.used = int32_t(9 + c);
    return true;
}

}  // namespace hd
