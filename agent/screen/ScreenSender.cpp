#include "agent/screen/ScreenSender.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "common/ByteOrder.h"
#include "common/Codes.h"
#include "common/Log.h"
#include "common/SegmentEncoder.h"

namespace hd {

namespace {

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
            // An update still being packed goes out before the loop sleeps;
            // with a wake already waiting, the next capture overlaps it.
            if (m_pipeline.Pending() && !m_wake.IsSet() && !FlushPipeline()) {
                log::Forced("S::Snapper:Snap() failed, exiting");
                break;
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
    FlushPipeline();  // best effort: a failed write already ended the loop
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
    if (m_extensionOn.load()) {
        // A plain update still being packed goes first; the extended one
        // is built into the buffer the pipeline hands back.
        if (!FlushPipeline()) return false;
        if (!BuildExtended()) {
            if (m_extendedFailed) return false;
            log::Log("S::Snap:No deltas to send\n");
            return true;
        }
        if (!WritePacket(t0)) return false;
        sent = true;
        return true;
    }
    const uint8_t command = BuildDelta();
    // Packets go out in the order their updates were built.
    if (command && !FlushPipeline()) return false;
    // A large update is packed on the pipeline's thread while the loop
    // captures the next screen; it is written by the next pass, or before
    // the loop waits.
    if (command && uint32_t(m_deltaBuf.used) >= kPipelinedDelta) {
        m_pipeline.Submit(command, m_deltaBuf, m_level.load());
        m_pipelinedAt = t0;
        sent = true;
        return true;
    }
    if (!command || !BuildCompData(command)) {
        log::Log("S::Snap:No deltas to send\n");
        return true;
    }
    if (!WritePacket(t0)) return false;
    sent = true;
    return true;
}

bool ScreenSender::FlushPipeline() {
    if (!m_pipeline.Pending()) return true;
    return !m_pipeline.Take(m_compBuf) || WritePacket(m_pipelinedAt);
}

bool ScreenSender::WritePacket(uint32_t builtFrom) {
    log::Log("S::Snap:GetImageDelta Took=%dms, before writing deltas to stream m_CompLen=%d",
             int(NowMs() - builtFrom), int(m_compBuf.used));
    if (!m_channel->WriteBytes(m_compBuf.block, uint32_t(m_compBuf.used))) {
        log::Log("S::Snap:Error writing comp deltas to stream m_CompLen=%d, exiting thread",
                 int(m_compBuf.used));
        return false;
    }
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

bool ScreenSender::Capture() {
    m_spans.clear();
    const bool sameSize =
        m_layout.width == m_display.Width() && m_layout.height == m_display.Height();
    const bool haveImages = m_imageBuf.used > 0 && m_workImageBuf.used > 0 && sameSize;
    // Damage says only what was drawn since the previous capture; it stands
    // for the whole screen only over a complete image, and now and then the
    // whole screen is read anyway, for what a display failed to report.
    const uint32_t now = NowMs();
    const bool whole = !haveImages || m_imageBuf.used != m_workImageBuf.used ||
                       now - m_lastWholeMs >= uint32_t(m_timing.wholeCaptureMs);
    if (whole) {
        m_display.RequestWholeCapture();
        m_lastWholeMs = now;
    }
    m_display.BeforeCapture();
    // The display may have found a new size just now.
    const bool stillSame =
        m_layout.width == m_display.Width() && m_layout.height == m_display.Height();
    const bool damage = m_display.TakeDamage(m_areas) && !whole && stillSame;
    if (haveImages && stillSame && m_frameReader.Open()) {
        int f, l;
        uint8_t* pixels = m_workImageBuf.block + m_layout.headerLen;
        const bool read = damage ? m_frameReader.VMem2DIB(pixels, m_layout.width, m_layout.height,
                                                          m_layout.stride, f, l, m_areas)
                                 : m_frameReader.VMem2DIB(pixels, m_layout.width, m_layout.height,
                                                          m_layout.stride, f, l);
        if (read) {
            if (f >= 0)
                m_spans.push_back({m_layout.headerLen + 2 * uint32_t(f),
                                   std::min(m_layout.headerLen + 2 * uint32_t(l) + 2,
                                            uint32_t(m_workImageBuf.used))});
            return true;
        }
    }
    if (damage) {
        if (!m_areas.empty() &&
            !m_display.CaptureRgb555Areas(m_workImageBuf.block + m_layout.headerLen, m_layout.width,
                                          m_layout.height, int(m_layout.stride), m_areas)) {
            m_workImageBuf.used = 0;  // partly written: the next capture is whole
            return false;
        }
        AreaSpans(m_areas, m_layout, m_spans);
        return true;
    }
    if (!GdiCapture()) return false;
    m_spans.push_back({0, uint32_t(m_workImageBuf.used)});
    return true;
}

bool ScreenSender::GetImageDeltas() {
    if (m_extensionOn.load()) return BuildExtended();
    const uint8_t command = BuildDelta();
    return command && BuildCompData(command);
}

uint8_t ScreenSender::BuildDelta() {
    if (!Capture() || m_spans.empty()) {
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
    BuildPartial();
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
    if (!Capture() || m_spans.empty()) {
        log::Log("GetImageDeltas:No changes, returning false");
        return false;
    }
    // The encoder compares within one range: the one that covers every span.
    const uint32_t first = m_spans.front().begin;
    const uint32_t last = m_spans.back().end;
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

void ScreenSender::BuildPartial() {
    uint8_t* ref = m_imageBuf.block;
    const uint8_t* work = m_workImageBuf.block;
    FindChangedRuns(ref, work, m_spans, m_runs);
    for (const ByteSpan& run : m_runs) {
        std::memcpy(ref + run.begin, work + run.begin, run.end - run.begin);
        if (!EncodeSegment(m_deltaBuf, run.begin, work + run.begin, run.end - run.begin)) return;
    }
}

bool ScreenSender::BuildCompData(uint8_t command) {
    return PackUpdate(m_packer, command, m_deltaBuf, m_compBuf, m_level.load());
}

}  // namespace hd
