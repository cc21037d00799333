// The real window (offscreen) against a device that goes away in every way
// it can: killed, stopped, silent, cut off, reset, or ending the session by
// itself. Each time the window says so, runs its Disconnect sequence within
// two read waits, shows "Disconnected" and keeps no socket of the
// connection open.
#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <chrono>
#include <functional>

#include "common/Codes.h"
#include "common/SocketStream.h"
#include "desktop/ui/main/MainWindow.h"
#include "e2e/FaultyLink.h"
#include "e2e/ListenerProcess.h"
#include "ui/UiFixtures.h"

namespace hd::test {
namespace {

using desktop::MainWindow;
using Clock = std::chrono::steady_clock;

// Short read waits on the desktop: two of them bound every detection here.
constexpr int kReadWaitMs = 300;
constexpr int kSlackMs = 2500;

int OpenSockets() {
    int n = 0;
    DIR* d = ::opendir("/proc/self/fd");
    while (dirent* e = d ? ::readdir(d) : nullptr) {
        char target[64] = {};
        const std::string path = std::string("/proc/self/fd/") + e->d_name;
        if (::readlink(path.c_str(), target, sizeof target - 1) > 0 &&
            std::string(target).rfind("socket:", 0) == 0)
            ++n;
    }
    if (d) ::closedir(d);
    return n;
}

class WindowE2E : public ::testing::Test {
protected:
    void SetUp() override { SocketStream::SetReadWaitOverrideMs(kReadWaitMs); }
    void TearDown() override {
        window.reset();
        SocketStream::SetReadWaitOverrideMs(0);
    }

    // tcpPort 0: the local link.
    MainWindow& Open(uint16_t tcpPort) {
        settings = store.Open();
        if (tcpPort) {
            settings->SetConnType(1);  // TCP/IP (LAN)
            settings->WriteHosts({{"127.0.0.1:" + std::to_string(tcpPort)}, false});
        }
        desktop::LinkOptions link;
        link.root = root.path().toStdString();
        link.library = HD_AGENT_LIBRARY;
        window = std::make_unique<MainWindow>(*settings, link);
        window->show();
        return *window;
    }

    QString State() const { return window->findChild<QLabel*>("state")->text(); }

    // Connects, makes the device go by fault(), and checks what the user sees.
    // countSockets: every socket of the test process is counted (a relay
    // that holds its own sockets open checks the desktop's ends itself).
    void ExpectNoticed(uint16_t tcpPort, const std::function<void()>& fault, const char* message,
                       bool countSockets = true) {
        const int socketsBefore = OpenSockets();
        MainWindow& w = Open(tcpPort);
        ASSERT_TRUE(w.ConnectToDevice());
        ASSERT_EQ(State(), "Connected");
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return w.CurrentSession().Receiver().Frames() > 0; }, 5000));
        QString shown;
        desktop::test::WhenModal([&](QWidget* box) {
            if (auto* m = qobject_cast<QMessageBox*>(box)) shown = m->text();
            box->close();
        });
        const auto begin = Clock::now();
        fault();
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return State() == "Disconnected"; }, 2 * kReadWaitMs + kSlackMs));
        EXPECT_LT(Clock::now() - begin, std::chrono::milliseconds(2 * kReadWaitMs + kSlackMs));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !shown.isEmpty(); }, 3000));
        EXPECT_EQ(shown.toStdString(), message);
        EXPECT_FALSE(w.CurrentSession().Connected());
        EXPECT_FALSE(w.CurrentSession().Receiver().Running());
        if (tcpPort && countSockets) {
            EXPECT_EQ(OpenSockets(), socketsBefore) << "a channel's socket stayed open";
        }
    }

    desktop::test::TempStore store;
    QTemporaryDir root;
    std::unique_ptr<desktop::Settings> settings;
    std::unique_ptr<MainWindow> window;
};

const char* const kLost = "The connection to the device was lost, disconnecting ...";
const char* const kSilent = "No response from device, disconnecting ...";

TEST_F(WindowE2E, ListenerKilledOrStopped) {
    for (int sig : {SIGKILL, SIGTERM}) {
        ListenerProcess listener;
        ExpectNoticed(
            listener.Port(), [&] { listener.Signal(sig); }, kLost);
        window.reset();
    }
}

TEST_F(WindowE2E, DeviceFrozen) {
    ListenerProcess listener;
    ExpectNoticed(
        listener.Port(), [&] { listener.Signal(SIGSTOP); }, kSilent);
    window.reset();
    listener.Signal(SIGCONT);
}

TEST_F(WindowE2E, NetworkCutOrMachineRebooted) {
    ListenerProcess listener;
    {
        FaultyLink link(listener.Port());
        ExpectNoticed(
            link.Port(), [&] { link.Drop(); }, kSilent, false);
        // The relay keeps its own sockets; the desktop closed both of its.
        EXPECT_TRUE(QTest::qWaitFor([&] { return link.OpenDesktopEnds() == 0; }, 2000));
        window.reset();
    }
    QTest::qWait(200);  // the listener takes the next desktop once the cut one is gone
    FaultyLink link(listener.Port());
    ExpectNoticed(
        link.Port(), [&] { link.Reset(); }, kLost);
}

// On the local link the device ends its side by itself (its command loop
// takes an end byte that no Disconnect sent).
TEST_F(WindowE2E, LocalDeviceEndsTheSession) {
    ExpectNoticed(
        0,
        [&] {
            const uint8_t stop = HC_STOP;
            uint32_t n = 0;
            window->CurrentSession().Command().Stream()->Write(&stop, 1, &n);
        },
        kLost);
}

}  // namespace
}  // namespace hd::test
