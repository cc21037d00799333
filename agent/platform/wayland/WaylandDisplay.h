// WaylandDisplay (WD): the first output of a wlroots compositor as the
// device's display. Every capture copies the output into shared memory
// through the screen-copy protocol (OutputCopy) and converts its format into
// the 5-5-5 image of the sender's screen copy; there is no display memory for
// the frame-buffer reader. The output's size follows each copy, so a size
// change gives a full update. The screen thread alone uses the capture
// connection; the damage watcher has its own. Made at agent load and owned
// by the agent.
#pragma once

#include <atomic>
#include <memory>

#include "agent/platform/Display.h"
#include "agent/platform/wayland/OutputCopy.h"
#include "agent/platform/wayland/WaylandConnection.h"
#include "agent/platform/wayland/WaylandDamage.h"

namespace hd::platform {

class WaylandDisplay : public Display {
public:
    // Null, with a forced "WD::Open:", "WC::Open:" line, when the compositor
    // cannot be reached or its output cannot be copied.
    static std::unique_ptr<WaylandDisplay> Open(const char* name, bool watchDamage = true);
    ~WaylandDisplay() override;

    int Width() override { return m_width.load(); }
    int Height() override { return m_height.load(); }
    std::string OemInfo() override { return "Wayland display " + m_connection->Name(); }
    bool AnswersVirtualDisplayEscape() override { return false; }
    std::unique_ptr<GxLibrary> LoadGx(const char*) override { return nullptr; }
    uint8_t* KnownDeviceMemory(uint32_t) override { return nullptr; }
    // Copies the output.
    void BeforeCapture() override;
    bool CaptureRgb555(uint8_t* bottomUp, int width, int height, int strideBytes) override;
    void SetChangeListener(std::function<void()> onChange) override;
    bool ReportsChanges() override { return m_damage && m_damage->Listening(); }

    bool WatchesDamage() const { return m_damage != nullptr; }

private:
    WaylandDisplay(std::unique_ptr<WaylandConnection> connection, std::unique_ptr<OutputCopy> copy,
                   bool watchDamage);
    bool Grab();

    std::unique_ptr<WaylandConnection> m_connection;
    std::unique_ptr<OutputCopy> m_copy;
    bool m_valid = false;  // the last copy succeeded
    bool m_failing = false;
    std::atomic<int> m_width{0};
    std::atomic<int> m_height{0};
    std::unique_ptr<WaylandDamage> m_damage;
};

}  // namespace hd::platform
