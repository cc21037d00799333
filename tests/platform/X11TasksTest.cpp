// X11 windows as tasks under Xvfb: a real client's window is in the task list
// with its title, activation makes it the manager's active window, the close
// request reaches it and a kill ends it; without a manager, the root's mapped
// children are the windows.
// GoogleTest before Xlib, whose macros (None, Bool) clash with its names.
#include <gtest/gtest.h>

#include "agent/platform/x11/X11Tasks.h"

#include <X11/Xatom.h>

#include <chrono>
#include <thread>

#include "agent/platform/linux/LinuxSystemInfo.h"
#include "agent/tasks/TaskService.h"
#include "common/ByteOrder.h"
#include "common/Codes.h"
#include "platform/XvfbServer.h"
#include "support/FakeStream.h"

namespace hd::platform {
namespace {

using test::TestClient;
using test::XvfbServer;

struct Task {
    uint32_t pid = 0;
    uint32_t window = 0;
    std::string exe;
    std::string title;
};

std::string Text(const uint8_t* p, int units) {
    std::string s;
    for (int i = 0; i < units && (p[2 * i] || p[2 * i + 1]); ++i) s += char(p[2 * i]);
    return s;
}

// The task list reply the service writes for a command.
std::vector<Task> Serve(TaskService& service, uint8_t command, std::vector<uint8_t> args = {}) {
    test::FakeStream wire;
    wire.AddBytes(std::move(args));
    Channel channel(&wire);
    EXPECT_TRUE(service.Handle(command, channel));
    const std::vector<uint8_t> w = wire.Written();
    std::vector<Task> tasks;
    if (w.size() < 5 || get_be32(w.data()) != w.size() - 4) return tasks;
    for (size_t i = 0; i < w[4]; ++i) {
        const uint8_t* r = w.data() + 5 + i * 292;
        tasks.push_back({get_le32(r + 4), get_le32(r + 32), Text(r + 36, 64), Text(r + 164, 64)});
    }
    return tasks;
}

int IndexOf(const std::vector<Task>& tasks, uint32_t pid) {
    for (size_t i = 0; i < tasks.size(); ++i)
        if (tasks[i].pid == pid) return int(i);
    return -1;
}

template <class F>
bool Eventually(F done, int ms = 3000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

Window ActiveWindow(::Display* d) {
    Atom type;
    int format;
    unsigned long n, after;
    unsigned char* data = nullptr;
    Window w = None;
    if (XGetWindowProperty(d, DefaultRootWindow(d), XInternAtom(d, "_NET_ACTIVE_WINDOW", False), 0,
                           1, False, XA_WINDOW, &type, &format, &n, &after, &data) == Success &&
        data && n == 1)
        w = Window(reinterpret_cast<unsigned long*>(data)[0]);
    if (data) XFree(data);
    return w;
}

std::unique_ptr<TaskService> Service(const std::string& display) {
    return std::make_unique<TaskService>(
        std::make_unique<X11Tasks>(X11Connection::Open(display.c_str(), "test")),
        std::make_unique<LinuxSystemInfo>("/tmp", 640, 480));
}

TEST(X11Tasks, WindowsOfTasksActivateCloseAndKill) {
    if (!test::HaveXvfb()) GTEST_SKIP() << test::kNoXvfb;
    XvfbServer server("640x480x24", true);
    ASSERT_TRUE(server.Started()) << server.Error();
    TestClient a(server.Display(), {"--title", "Handrel test A", "--geometry", "200x150+10+10"});
    const unsigned long windowA = a.WaitReady();
    TestClient b(server.Display(), {"--title", "Handrel test B", "--geometry", "200x150+300+200"});
    const unsigned long windowB = b.WaitReady();
    ASSERT_NE(windowA, 0u);
    ASSERT_NE(windowB, 0u);
    auto service = Service(server.Display());

    // The manager lists a client once it manages it.
    std::vector<Task> tasks;
    ASSERT_TRUE(Eventually([&] {
        tasks = Serve(*service, HC_GETTASKLIST);
        const int ia = IndexOf(tasks, uint32_t(a.Pid()));
        const int ib = IndexOf(tasks, uint32_t(b.Pid()));
        return ia >= 0 && ib >= 0 && tasks[ia].window && tasks[ib].window;
    }));
    const Task& ta = tasks[IndexOf(tasks, uint32_t(a.Pid()))];
    EXPECT_EQ(ta.window, windowA);
    EXPECT_EQ(ta.title, "Handrel test A");
    EXPECT_EQ(ta.exe, "x11_test_client");
    EXPECT_EQ(tasks[IndexOf(tasks, uint32_t(b.Pid()))].title, "Handrel test B");

    ::Display* d = XOpenDisplay(server.Display().c_str());
    ASSERT_NE(d, nullptr);
    for (auto [client, window] : {std::pair{&a, windowA}, std::pair{&b, windowB}}) {
        const int index = IndexOf(tasks, uint32_t(client->Pid()));
        Serve(*service, HC_ACTIVATETASK, {uint8_t(index)});
        EXPECT_TRUE(Eventually([&] { return ActiveWindow(d) == window; }))
            << "active " << ActiveWindow(d) << ", wanted " << window;
    }
    XCloseDisplay(d);

    // The close request alone: the client is asked and leaves by itself.
    X11Tasks direct(X11Connection::Open(server.Display().c_str(), "test"));
    direct.PostClose(uint32_t(windowB));
    EXPECT_EQ(b.WaitLine("close", 3000), "close");
    EXPECT_TRUE(b.WaitExit(3000));

    // A kill: asked to close, then ended; the list sent after it lacks it.
    tasks = Serve(*service, HC_GETTASKLIST);
    const int index = IndexOf(tasks, uint32_t(a.Pid()));
    ASSERT_GE(index, 0);
    Serve(*service, HC_KILLTASK, {uint8_t(index)});
    EXPECT_TRUE(a.WaitExit(3000));
    std::vector<WindowEntry> windows;
    EXPECT_TRUE(Eventually([&] {
        direct.Windows(windows);
        for (const WindowEntry& w : windows)
            if (w.handle == windowA || w.handle == windowB) return false;
        return true;
    }));
}

TEST(X11Tasks, WithoutAManagerTheRootsMappedChildrenAreTheWindows) {
    if (!test::HaveXvfb()) GTEST_SKIP() << test::kNoXvfb;
    XvfbServer server("320x240x24");
    ASSERT_TRUE(server.Started()) << server.Error();
    TestClient plain(server.Display(), {"--title", "Plain", "--geometry", "100x100+0+0"});
    TestClient menu(server.Display(), {"--override", "--geometry", "50x50+200+0"});
    const unsigned long window = plain.WaitReady();
    const unsigned long menuWindow = menu.WaitReady();
    ASSERT_NE(window, 0u);
    ASSERT_NE(menuWindow, 0u);

    X11Tasks tasks(X11Connection::Open(server.Display().c_str(), "test"));
    std::vector<WindowEntry> windows;
    tasks.Windows(windows);
    bool found = false;
    for (const WindowEntry& w : windows) {
        EXPECT_NE(w.handle, menuWindow) << "a window that bypasses the manager is no task's";
        if (w.handle != window) continue;
        found = true;
        EXPECT_EQ(w.pid, uint32_t(plain.Pid()));
        EXPECT_EQ(w.threadId, w.pid);
        EXPECT_TRUE(w.visible);
        EXPECT_EQ(w.title, "Plain");
    }
    EXPECT_TRUE(found);
}

}  // namespace
}  // namespace hd::platform
