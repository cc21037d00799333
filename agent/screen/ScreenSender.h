// ScreenSender (log tags "S" and "PS"), the screen sender: on the HdScreen thread it captures the
// screen into a BMP image at the refresh interval (and quickly after input), encodes what changed
// against the image last sent, compresses it and writes one update packet. It is the only writer of
// the screen channel. The HdInvoke thread only posts wake requests and calls Stop. Owned by the
// agent for the life of the library; buffers are reused and freed by Stop.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "agent/platform/Display.h"
#include "agent/screen/BmpImage.h"
#include "agent/screen/ChangedRuns.h"
#include "agent/screen/ExtendedScreenEncoder.h"
#include "agent/screen/FrameReader.h"
#include "agent/screen/PacketPipeline.h"
#include "agent/screen/SenderControl.h"
#include "common/Channel.h"
#include "common/Event.h"
#include "common/GrowBuffer.h"
#include "common/ZlibPacker.h"

namespace hd {

class ScreenSender : public SenderControl {
public:
    struct Timing {
        int fastPollMs = 50;   // the two quick polls after input or an update
        int stopPollMs = 200;  // Stop waits in these steps...
        int stopPolls = 50;    // ...at most this many times
        // The idle wait when the display reports its changes: damage wakes
        // the sender, this pass only catches what the display failed to report.
        int safetyPollMs = 2000;
        // Where the display reports what it drew, only that is captured and
        // compared, but the whole screen at least this often.
        int wholeCaptureMs = 2000;
    };
    static constexpr uint32_t kDefaultIntervalMs = 166;

    explicit ScreenSender(platform::Display& display) : ScreenSender(display, Timing{}) {}
    ScreenSender(platform::Display& display, Timing timing);

    // Runs the sender loop on the calling thread until it stops; returns 0.
    int Start(uint32_t intervalMs, Channel& channel);

    void Stop() override;
    void Wake(WakeAction action) override;
    // The display saw its screen change: capture at once, as after input,
    // without replacing a ping, pong or stop not yet taken. Any thread.
    void WakeForScreenChange();
    void SetSlowLink() override { m_level.store(9); }
    void SetKeepDisplayPointer(bool keep) override { m_frameReader.SetKeepPointer(keep); }
    void SetScreenExtension(bool on) override { m_extensionOn.store(on); }

    // The delta builder: captures and, when something changed, leaves a
    // complete packet (command, C, D, zlib data) in Packet(). Screen thread.
    bool GetImageDeltas();
    // The capture and delta building alone, without compression: the update
    // is left in Delta(); returns its command, or 0 when nothing changed.
    uint8_t BuildDelta();
    const GrowBuffer& Packet() const { return m_compBuf; }
    const GrowBuffer& Reference() const { return m_imageBuf; }
    const GrowBuffer& Delta() const { return m_deltaBuf; }
    int Level() const { return m_level.load(); }
    // The libdeflate level the last packet was built at (0: stored blocks).
    int PackedLevel() const { return m_packer.LastLevel(); }
    int State() const { return m_wakeAction.load(); }

private:
    bool Snap(bool& sent);
    // Writes the packet the pipeline packed, if any; false when writing failed.
    bool FlushPipeline();
    bool WritePacket(uint32_t builtFrom);
    // Fills the work image; m_spans holds the byte ranges that may have changed.
    bool Capture();
    bool GdiCapture();
    void BuildPartial();
    bool BuildCompData(uint8_t command);
    // The extended update instead of BuildDelta + BuildCompData.
    bool BuildExtended();
    void FreeBuffers();

    platform::Display& m_display;
    FrameReader m_frameReader;
    const Timing m_timing;

    GrowBuffer m_imageBuf;                // the reference: the image as last sent
    GrowBuffer m_workImageBuf;            // the fresh capture
    BmpLayout m_layout;                   // of the work image
    std::vector<platform::Rect> m_areas;  // what the display drew since the last capture
    std::vector<ByteSpan> m_spans;        // of the work image, to compare
    std::vector<ByteSpan> m_runs;         // that changed
    uint32_t m_lastWholeMs = 0;
    GrowBuffer m_deltaBuf;
    GrowBuffer m_compBuf;
    ZlibPacker m_packer;
    ExtendedScreenEncoder m_extended;
    std::atomic<bool> m_extensionOn{false};
    bool m_extendedFailed = false;  // the stream is out of step: end the loop
    // Updates of this size and more are packed while the next screen is captured.
    static constexpr uint32_t kPipelinedDelta = 256 * 1024;
    PacketPipeline m_pipeline;
    uint32_t m_pipelinedAt = 0;  // when the pending update's capture began

    std::atomic<int> m_level{1};
    std::atomic<int> m_wakeAction{WAKE_STOPPED};
    std::atomic<bool> m_eventOpen{false};
    uint32_t m_intervalMs = kDefaultIntervalMs;
    Event m_wake{false};
    Channel* m_channel = nullptr;
};

}  // namespace hd
