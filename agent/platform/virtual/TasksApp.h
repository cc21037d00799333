// TasksApp: the virtual handheld's task switcher: a row per running
// application (title and process id); a tap on a row asks the handheld to
// bring that application to the front. Owned by the handheld, called under its
// lock; it only reads the list the handheld gives it and never changes the
// task table itself.
#pragma once

#include <utility>
#include <vector>

#include "agent/platform/virtual/App.h"
#include "agent/platform/virtual/Shell.h"

namespace hd::platform {

class TasksApp : public App {
public:
    TasksApp(uint32_t pid, int width, int height, int scale)
        : App(pid, "tasks.exe", "Tasks", width, height, scale) {}

    // The running applications, front first; kept up to date by the handheld.
    void SetList(std::vector<ShellApp> apps) { m_apps = std::move(apps); }
    // The application a tap chose since the last call, or 0.
    uint32_t TakeChosen() { return std::exchange(m_chosen, 0); }

    void Draw(Canvas& client) override;
    void Stylus(StylusAction action, int x, int y) override;

private:
    int RowHeight() const { return 16 * m_scale; }

    std::vector<ShellApp> m_apps;
    int m_pressed = -1;
    uint32_t m_chosen = 0;
};

}  // namespace hd::platform
