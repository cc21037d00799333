#include "agent/platform/virtual/Handheld.h"

#include <algorithm>
#include <iterator>

#include "agent/platform/Keys.h"
#include "agent/platform/virtual/CalcApp.h"
#include "agent/platform/virtual/InkApp.h"
#include "agent/platform/virtual/NotesApp.h"
#include "agent/platform/virtual/TasksApp.h"
#include "common/Log.h"

namespace hd::platform {

namespace {

constexpr uint16_t kBody = Rgb565(255, 255, 255);

constexpr StartScreen::Tile kTiles[] = {
    {"NOTES", Rgb565(60, 160, 60)},
    {"INK", Rgb565(40, 100, 200)},
    {"CALC", Rgb565(120, 80, 170)},
    {"TASKS", Rgb565(200, 60, 60)},
};

// Process identifiers look like the handheld's, large; their low byte is
// always 0x22, which no system process of the virtual task table has.
constexpr uint32_t kFirstPid = 0x0C6F0022;
constexpr uint32_t kPidStep = 0x00040100;

std::unique_ptr<App> Make(Handheld::Program program, uint32_t pid, const Rect& client, int scale) {
    const int w = client.w, h = client.h;
    switch (program) {
        case Handheld::Program::Notes:
            return std::make_unique<NotesApp>(pid, w, h, scale);
        case Handheld::Program::Ink:
            return std::make_unique<InkApp>(pid, w, h, scale);
        case Handheld::Program::Calc:
            return std::make_unique<CalcApp>(pid, w, h, scale);
        case Handheld::Program::Tasks:
            return std::make_unique<TasksApp>(pid, w, h, scale);
    }
    return nullptr;
}

const char* ExeOf(Handheld::Program program) {
    switch (program) {
        case Handheld::Program::Notes:
            return "notes.exe";
        case Handheld::Program::Ink:
            return "ink.exe";
        case Handheld::Program::Calc:
            return "calc.exe";
        case Handheld::Program::Tasks:
            return "tasks.exe";
    }
    return "";
}

}  // namespace

Handheld::Handheld(VirtualDisplay& display)
    : m_display(display),
      m_width(display.Width()),
      m_height(display.Height()),
      m_frame(m_width, m_height, kTiles),
      m_nextPid(kFirstPid) {
    Update([this] {
        Start(Program::Calc);
        Start(Program::Notes);
        m_startShown = true;
    });
    m_display.SetScene(this);
}

Handheld::~Handheld() {
    m_display.SetScene(nullptr);
}

void Handheld::Update(const std::function<void()>& change) {
    {
        std::lock_guard lock(m_mutex);
        change();
        // The task switcher shows the table as it is now.
        for (const auto& app : m_apps)
            if (auto* tasks = dynamic_cast<TasksApp*>(app.get())) tasks->SetList(List());
        m_dirty = true;
    }
    m_display.NotifyChanged();
}

// ---- the task table --------------------------------------------------------

std::vector<ShellApp> Handheld::List() const {
    std::vector<ShellApp> list;
    list.reserve(m_apps.size());
    for (const auto& app : m_apps) list.push_back({app->Pid(), app->Exe(), app->Title(), true});
    return list;
}

std::vector<ShellApp> Handheld::Apps() {
    std::lock_guard lock(m_mutex);
    return List();
}

bool Handheld::StartShown() {
    std::lock_guard lock(m_mutex);
    return m_startShown || m_apps.empty();
}

App* Handheld::Front() const {
    return m_startShown || m_apps.empty() ? nullptr : m_apps.front().get();
}

uint32_t Handheld::Start(Program program) {
    const auto it = std::find_if(m_apps.begin(), m_apps.end(),
                                 [&](const auto& a) { return a->Exe() == ExeOf(program); });
    uint32_t pid;
    if (it != m_apps.end()) {
        pid = (*it)->Pid();
        std::rotate(m_apps.begin(), it, it + 1);
    } else {
        // Not one that is running, even after the counter wraps.
        do {
            pid = m_nextPid;
            m_nextPid += kPidStep;
        } while (std::any_of(m_apps.begin(), m_apps.end(),
                             [&](const auto& a) { return a->Pid() == pid; }));
        m_apps.insert(m_apps.begin(), Make(program, pid, m_frame.Body(), m_frame.Scale()));
        log::Log("VH::Launch:%s pid=%08X", ExeOf(program), pid);
    }
    m_startShown = false;
    m_press = Press::None;
    return pid;
}

bool Handheld::BringToFront(uint32_t pid) {
    const auto it =
        std::find_if(m_apps.begin(), m_apps.end(), [&](const auto& a) { return a->Pid() == pid; });
    if (it == m_apps.end()) return false;
    std::rotate(m_apps.begin(), it, it + 1);
    m_startShown = false;
    m_press = Press::None;
    return true;
}

// The next application in line comes to the front; none left shows the
// start screen.
bool Handheld::Remove(uint32_t pid) {
    const auto it =
        std::find_if(m_apps.begin(), m_apps.end(), [&](const auto& a) { return a->Pid() == pid; });
    if (it == m_apps.end()) return false;
    log::Log("VH::Close:%s pid=%08X", (*it)->Exe().c_str(), pid);
    m_apps.erase(it);
    if (m_apps.empty()) m_startShown = true;
    if (m_press == Press::InApp && m_pressPid == pid) m_press = Press::None;
    return true;
}

uint32_t Handheld::Launch(Program program) {
    uint32_t pid = 0;
    Update([&] { pid = Start(program); });
    return pid;
}

bool Handheld::Activate(uint32_t pid) {
    bool known = false;
    Update([&] { known = BringToFront(pid); });
    return known;
}

// Nothing here can refuse to close, so the request and the termination end
// the application alike.
bool Handheld::Close(uint32_t pid) {
    bool known = false;
    Update([&] { known = Remove(pid); });
    return known;
}

bool Handheld::Terminate(uint32_t pid) {
    return Close(pid);
}

// ---- drawing ---------------------------------------------------------------

void Handheld::DrawAll(Canvas& canvas, const std::tm& now) {
    std::lock_guard lock(m_mutex);
    m_now = now;
    DrawScreen(canvas);
}

void Handheld::DrawClock(Canvas& canvas, const std::tm& now) {
    std::lock_guard lock(m_mutex);
    m_now = now;
    m_frame.DrawClockArea(canvas, now);
}

void Handheld::Refresh(Canvas& canvas) {
    std::lock_guard lock(m_mutex);
    if (m_dirty) DrawScreen(canvas);
}

void Handheld::DrawScreen(Canvas& canvas) {
    m_dirty = false;
    App* front = Front();
    m_frame.DrawTitleBar(canvas, front ? front->Title() : "Start", m_now);
    if (front) {
        Canvas client = canvas.Sub(m_frame.Body());
        front->Draw(client);
        m_frame.DrawSoftKeys(canvas, "START", front->MiddleKey(), "CLOSE");
    } else {
        canvas.FillRect(m_frame.Body(), kBody);
        m_frame.DrawTiles(canvas, m_press == Press::Tile ? m_pressIndex : m_selected);
        m_frame.DrawSoftKeys(canvas, "NEW", "", "MENU");
    }
}

// ---- input -----------------------------------------------------------------

void Handheld::KeyDown(uint32_t vk) {
    Update([&] {
        if (App* front = Front())
            front->KeyDown(vk);
        else
            KeyOnStart(vk);
    });
}

void Handheld::Character(uint32_t ch) {
    Update([&] {
        if (App* front = Front()) front->Character(ch);
    });
}

// Buttons 1-4 start the tiles' programs; button 5 shows the start screen.
void Handheld::AppButton(int button) {
    Update([&] {
        if (button >= 1 && button <= int(std::size(kTiles)))
            Start(Program(button - 1));
        else
            m_startShown = true;
        m_press = Press::None;
    });
}

void Handheld::Stylus(StylusAction action, int x, int y) {
    Update([&] { StylusOnScreen(action, x, y); });
}

// The arrow keys choose a tile, Enter starts it.
void Handheld::KeyOnStart(uint32_t vk) {
    using namespace keys;
    const int count = m_frame.TileCount();
    if (vk == VK_RETURN && m_selected >= 0)
        Start(Program(m_selected));
    else if (vk == VK_LEFT || vk == VK_UP)
        m_selected = m_selected <= 0 ? count - 1 : m_selected - 1;
    else if (vk == VK_RIGHT || vk == VK_DOWN)
        m_selected = m_selected < 0 || m_selected + 1 == count ? 0 : m_selected + 1;
}

void Handheld::StylusOnScreen(StylusAction action, int x, int y) {
    const Rect body = m_frame.Body();
    // A drag that leaves the client area is held at its edge.
    const int lx = std::clamp(x - body.x, 0, std::max(0, body.w - 1));
    const int ly = std::clamp(y - body.y, 0, std::max(0, body.h - 1));
    App* front = Front();

    if (action == StylusAction::Down) {
        m_press = Press::None;
        if (const int soft = m_frame.SoftKeyAt(x, y); soft >= 0) {
            m_press = Press::SoftKey;
            m_pressIndex = soft;
        } else if (front && body.Contains(x, y)) {
            m_press = Press::InApp;
            m_pressPid = front->Pid();
            front->Stylus(StylusAction::Down, lx, ly);
        } else if (!front) {
            if (const int tile = m_frame.TileAt(x, y); tile >= 0) {
                m_press = Press::Tile;  // drawn framed until the stylus lifts
                m_pressIndex = tile;
            }
        }
        return;
    }

    const bool inApp = m_press == Press::InApp && front && front->Pid() == m_pressPid;
    if (action == StylusAction::Move) {
        if (inApp) front->Stylus(StylusAction::Move, lx, ly);
        return;
    }

    const Press press = std::exchange(m_press, Press::None);
    if (press == Press::SoftKey && m_frame.SoftKeyAt(x, y) == m_pressIndex) {
        SoftKey(m_pressIndex);
    } else if (press == Press::Tile) {
        if (!front && m_frame.TileAt(x, y) == m_pressIndex) Start(Program(m_pressIndex));
    } else if (press == Press::InApp && inApp) {
        front->Stylus(StylusAction::Up, lx, ly);
        if (auto* tasks = dynamic_cast<TasksApp*>(front))
            if (const uint32_t chosen = tasks->TakeChosen()) BringToFront(chosen);
    }
}

// Start screen: NEW starts notes, MENU the task list. An application: START
// shows the start screen, the middle key is the application's, CLOSE ends it.
void Handheld::SoftKey(int which) {
    App* front = Front();
    if (!front) {
        if (which == 0) Start(Program::Notes);
        if (which == 2) Start(Program::Tasks);
    } else if (which == 0) {
        m_startShown = true;
    } else if (which == 1) {
        front->MiddleKeyPressed();
    } else {
        Remove(front->Pid());
    }
}

}  // namespace hd::platform
