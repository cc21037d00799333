// VirtualDisplay (VD): the built-in virtual handheld's screen. Holds 16-bit
// 5-6-5 display memory laid out as the configured device would (portrait,
// landscape, or a known device's fixed pitches) and shows a scene in it with
// a ticking clock: the start screen, or the interactive handheld. Made at
// agent load, used on the screen thread; scenes draw there too, before each
// capture, under the drawing lock, because the frame reader reads the memory
// without it. The memory block is shared with the layers it hands out and
// never reallocated. It knows what it draws: every drawing wakes the change
// listener and adds its area to the damage the next capture takes, and a
// ticker thread wakes the listener at each new second for the clock.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "agent/platform/Display.h"
#include "agent/platform/KnownDevices.h"
#include "agent/platform/virtual/Canvas.h"
#include "agent/platform/virtual/Scene.h"
#include "agent/platform/virtual/StartScreen.h"

namespace hd::platform {

struct VirtualDisplayOptions {
    int width = 240;
    int height = 320;
    std::string oemInfo = "Handrel virtual handheld";
    uint32_t gxFormat = kFormat565;  // 0x08 lays the memory out in landscape order
    bool answersEscape = false;      // offer "NVDGAPI.DLL"
    // The time the clock shows; the system clock when empty.
    std::function<std::chrono::system_clock::time_point()> clock;

    // The defaults, overridden by HANDREL_SCREEN=WxH, HANDREL_OEM,
    // HANDREL_GXFORMAT (hex) and HANDREL_NVD=1; bad values are logged and ignored.
    static VirtualDisplayOptions FromEnvironment();
};

// "WxH" with both sides within [kMinSide, kMaxSide]; false leaves w and h alone.
constexpr int kMinSide = 16;
constexpr int kMaxSide = 8192;
bool ParseScreenSize(const char* text, int& width, int& height);

class VirtualDisplay : public Display {
public:
    explicit VirtualDisplay(VirtualDisplayOptions options);
    ~VirtualDisplay() override;

    int Width() override { return int(m_properties.width); }
    int Height() override { return int(m_properties.height); }
    std::string OemInfo() override { return m_options.oemInfo.substr(0, 200); }
    bool AnswersVirtualDisplayEscape() override { return m_options.answersEscape; }
    std::unique_ptr<GxLibrary> LoadGx(const char* name) override;
    uint8_t* KnownDeviceMemory(uint32_t address) override;
    void BeforeCapture() override;
    bool CaptureRgb555(uint8_t* bottomUp, int width, int height, int strideBytes) override;
    void SetChangeListener(std::function<void()> onChange) override;
    bool ReportsChanges() override;
    bool TakeDamage(std::vector<Rect>& areas) override;
    // Something will be drawn before the next capture (the interactive
    // handheld changed its state): wakes the listener. Any thread, no lock held.
    void NotifyChanged();

    // Runs fn on the screen's canvas under the drawing lock.
    void Draw(const std::function<void(Canvas&)>& fn);
    // Shows scene instead of the start screen (null: the start screen again),
    // drawn whole before the next capture. The scene must stay alive until it
    // is replaced.
    void SetScene(Scene* scene);
    // The whole display-memory block and the layout the layers report.
    std::span<const uint8_t> Memory() const;
    const GxProperties& Properties() const { return m_properties; }

private:
    uint8_t* Origin() const;
    std::tm LocalTime(int64_t second) const;
    int64_t CurrentSecond() const;
    Scene& Shown() { return m_scene ? *m_scene : m_startScreen; }
    void Tick();
    void StopTicker();

    VirtualDisplayOptions m_options;
    const KnownDevice* m_known;
    GxProperties m_properties;
    std::shared_ptr<std::vector<uint16_t>> m_block;
    size_t m_origin = 0;  // index of pixel (0, 0) in the block

    std::mutex m_mutex;  // guards the pixels and the drawing state below
    Canvas m_canvas;
    StartScreen m_startScreen;
    Scene* m_scene = nullptr;     // null: the start screen
    bool m_sceneChanged = false;  // to be drawn whole
    int64_t m_shownSecond;
    BoundingBox m_drawn;  // written since the last capture

    std::mutex m_listenerMutex;  // held while the listener runs
    std::function<void()> m_listener;
    std::condition_variable m_tickWake;
    bool m_tickerStop = false;
    std::thread m_ticker;
};

}  // namespace hd::platform
