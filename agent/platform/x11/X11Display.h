// X11Display (XD): an X11 screen as the device's display. The root window is
// grabbed before every capture (X11Frame); a 16-bit 5-6-5 screen is offered
// to the frame-buffer reader as display memory through "gx.dll", any other
// true-colour depth is converted for the screen copy. A change of the root
// window's size makes a new frame, and so a full update. With DAMAGE, each
// capture takes the damaged region from the server and grabs only its rows
// (the whole screen when the sender asks for it). The screen thread alone
// uses the capture connection; the damage watcher has its own. Made at agent
// load and owned by the agent.
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "agent/platform/Display.h"
#include "agent/platform/x11/X11Connection.h"
#include "agent/platform/x11/X11Damage.h"
#include "agent/platform/x11/X11Frame.h"

namespace hd::platform {

class X11Display : public Display {
public:
    struct Options {
        bool allowShm = true;  // false: XGetImage only
        bool watchDamage = true;
    };
    // Null, with a forced "XD::Open:" or "XC::Open:" line, when the display
    // cannot be opened or its screen cannot be read.
    static std::unique_ptr<X11Display> Open(const char* name, Options options);
    static std::unique_ptr<X11Display> Open(const char* name) { return Open(name, Options{}); }
    ~X11Display() override;

    int Width() override { return m_width.load(); }
    int Height() override { return m_height.load(); }
    std::string OemInfo() override;
    bool AnswersVirtualDisplayEscape() override { return false; }
    std::unique_ptr<GxLibrary> LoadGx(const char* name) override;
    uint8_t* KnownDeviceMemory(uint32_t) override { return nullptr; }
    // Follows the root window's size, then grabs the screen.
    void BeforeCapture() override;
    bool CaptureRgb555(uint8_t* bottomUp, int width, int height, int strideBytes) override;
    void SetChangeListener(std::function<void()> onChange) override;
    bool ReportsChanges() override { return m_damage && m_damage->Listening(); }
    void RequestWholeCapture() override { m_wholeNext = true; }
    bool TakeDamage(std::vector<Rect>& areas) override;
    bool CaptureRgb555Areas(uint8_t* bottomUp, int width, int height, int strideBytes,
                            std::span<const Rect> areas) override;

    bool UsesShm() const { return m_frame && m_frame->UsesShm(); }
    bool WatchesDamage() const { return m_damage != nullptr; }

private:
    X11Display(std::shared_ptr<X11Connection> connection, std::shared_ptr<X11Frame> frame,
               Options options);
    // A new size: a new frame, or the one the display-memory layer reads when
    // the size is its size again.
    void Resize(int width, int height);
    // Takes the region drawn since the last call from the server into
    // m_areas; false when it cannot be had.
    bool FetchDamage();
    // Grabs the rows the damaged areas cover, nearby bands in one request.
    void GrabDamagedRows();

    std::shared_ptr<X11Connection> m_connection;
    std::shared_ptr<X11Frame> m_frame;    // what captures read
    std::shared_ptr<X11Frame> m_gxFrame;  // what the display-memory layer reads
    Options m_options;
    std::atomic<int> m_width;
    std::atomic<int> m_height;
    std::unique_ptr<X11Damage> m_damage;
    XserverRegion m_region = 0;  // on the capture connection: receives the damage taken
    std::vector<Rect> m_areas;   // damaged since the previous capture
    bool m_damageKnown = false;  // m_areas is what the last BeforeCapture grabbed
    bool m_wholeNext = true;
};

}  // namespace hd::platform
