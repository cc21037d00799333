// Handheld (VH): the interactive virtual handheld: a start screen with tiles,
// applications (notes, ink, calculator, tasks) in a front-to-back order, the
// title bar with its clock and the soft-key bar, driven by the input backend
// (VI) and by the task service through the Shell interface, both on the
// HdInvoke thread. Made at agent load over the virtual display, which must
// outlive it. Input and shell calls only change its state (under its lock);
// the picture is drawn as the display's scene before each capture, on the
// screen thread, so the frame reader never sees half a change and the task
// table always matches what the next capture shows.
#pragma once

#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "agent/platform/virtual/App.h"
#include "agent/platform/virtual/InputTarget.h"
#include "agent/platform/virtual/Scene.h"
#include "agent/platform/virtual/Shell.h"
#include "agent/platform/virtual/StartScreen.h"
#include "agent/platform/virtual/VirtualDisplay.h"

namespace hd::platform {

class Handheld : public Shell, public InputTarget, public Scene {
public:
    // The start screen's tiles, in order; application buttons 1-4 start them.
    enum class Program { Notes, Ink, Calc, Tasks };

    // Takes over the display's picture with notes and the calculator running
    // behind the start screen.
    explicit Handheld(VirtualDisplay& display);
    // Gives the picture back to the display's own start screen.
    ~Handheld() override;

    // Shell, on the HdInvoke thread.
    std::vector<ShellApp> Apps() override;
    bool Activate(uint32_t pid) override;
    bool Close(uint32_t pid) override;
    bool Terminate(uint32_t pid) override;

    // Starts the program, or brings it to the front when it runs; its pid.
    uint32_t Launch(Program program);
    // True while the start screen is in front of every application.
    bool StartShown();
    // The layout of the bars and tiles (fixed at construction).
    const StartScreen& Frame() const { return m_frame; }

    // InputTarget, on the HdInvoke thread.
    int ScreenWidth() const override { return m_width; }
    int ScreenHeight() const override { return m_height; }
    void KeyDown(uint32_t vk) override;
    void Character(uint32_t ch) override;
    void AppButton(int button) override;
    void Stylus(StylusAction action, int x, int y) override;

    // Scene, on the screen thread under the display's lock.
    void DrawAll(Canvas& canvas, const std::tm& now) override;
    void DrawClock(Canvas& canvas, const std::tm& now) override;
    void Refresh(Canvas& canvas) override;

private:
    enum class Press { None, Tile, SoftKey, InApp };

    // Runs change under our lock; the screen is drawn again before the next
    // capture.
    void Update(const std::function<void()>& change);
    // The rest run with our lock held.
    void DrawScreen(Canvas& canvas);
    App* Front() const;  // null while the start screen is in front
    std::vector<ShellApp> List() const;
    uint32_t Start(Program program);
    bool BringToFront(uint32_t pid);
    bool Remove(uint32_t pid);
    void StylusOnScreen(StylusAction action, int x, int y);
    void SoftKey(int which);
    void KeyOnStart(uint32_t vk);

    VirtualDisplay& m_display;
    const int m_width;
    const int m_height;
    StartScreen m_frame;  // layout and drawing of the bars and tiles

    std::mutex m_mutex;
    std::vector<std::unique_ptr<App>> m_apps;  // front first
    bool m_startShown = true;
    bool m_dirty = false;  // changed since the screen was last drawn
    uint32_t m_nextPid;
    std::tm m_now{};  // the time the clock shows
    Press m_press = Press::None;
    int m_pressIndex = -1;    // the tile or soft key under the stylus
    uint32_t m_pressPid = 0;  // the application the stylus went down in
    int m_selected = -1;      // the start tile chosen with the arrow keys
};

}  // namespace hd::platform
