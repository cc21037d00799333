#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "desktop/ui/main/SingleInstance.h"
#include "desktop/ui/main/StartOptions.h"

namespace hd::desktop {
namespace {

TEST(StartOptions, ParsesTheProgramsOptions) {
    StartOptions o;
    std::string error;
    ASSERT_TRUE(ParseStartOptions({"-d"}, o, error));
    EXPECT_TRUE(o.quitRunning);
    o = {};
    ASSERT_TRUE(ParseStartOptions(
        {"--settings", "/tmp/a.ini", "--root", "/tmp/r", "--connect", "--measure-latency", "20"}, o,
        error));
    EXPECT_EQ(o.settingsFile, "/tmp/a.ini");
    EXPECT_EQ(o.root, "/tmp/r");
    EXPECT_TRUE(o.connect);
    EXPECT_EQ(o.measureLatency, 20);
    EXPECT_EQ(o.device, "virtual");
    o = {};
    ASSERT_TRUE(ParseStartOptions({"--screenshot", "/tmp/e.png", "--screenshot-window", "explorer"},
                                  o, error));
    EXPECT_EQ(o.screenshotWindow, "explorer");

    o = {};
    ASSERT_TRUE(
        ParseStartOptions({"--screenshot", "d.png", "--screenshot-window", "dos"}, o, error));
    EXPECT_EQ(o.screenshotWindow, "dos");

    for (const std::vector<std::string>& bad : {std::vector<std::string>{"--settings"},
                                                {"--screenshot-window", "dos"},
                                                {"--measure-latency", "0"},
                                                {"--measure-latency", "2x"},
                                                {"--device", "phone"},
                                                {"--screenshot-window", "explorer"},
                                                {"--bogus"}}) {
        StartOptions b;
        error.clear();
        EXPECT_FALSE(ParseStartOptions(bad, b, error)) << bad[0];
        EXPECT_FALSE(error.empty());
    }
}

TEST(SingleInstance, ASecondStartReachesTheFirst) {
    QTemporaryDir dir;
    const QString store = dir.filePath("Handrel.conf");
    SingleInstance first(store);
    ASSERT_TRUE(first.Listen());
    SingleInstance second(store);
    EXPECT_FALSE(second.Listen());  // the name is taken by a live instance

    QSignalSpy activate(&first, &SingleInstance::activateRequested);
    QSignalSpy quit(&first, &SingleInstance::quitRequested);
    // The request is written before the first instance's event loop runs.
    EXPECT_TRUE(second.Send("activate"));
    EXPECT_TRUE(activate.wait(2000));
    EXPECT_EQ(quit.count(), 0);
    EXPECT_TRUE(second.Send("quit"));
    EXPECT_TRUE(quit.wait(2000));
    EXPECT_EQ(activate.count(), 1);

    // Another settings store is another program: nobody answers.
    SingleInstance other(dir.filePath("Other.conf"));
    EXPECT_FALSE(other.Send("activate", 200));
}

TEST(SingleInstance, TakesOverTheSocketOfACrashedInstance) {
    QTemporaryDir dir;
    SingleInstance instance(dir.filePath("Handrel.conf"));
    // A socket file nobody answers on, as a killed instance leaves it.
    const std::string path = (QDir::tempPath() + "/" + instance.Name()).toStdString();
    int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof addr.sun_path);
    std::copy(path.begin(), path.end(), addr.sun_path);
    ::unlink(path.c_str());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(fd);

    EXPECT_TRUE(instance.Listen());
    SingleInstance second(dir.filePath("Handrel.conf"));
    QSignalSpy activate(&instance, &SingleInstance::activateRequested);
    EXPECT_TRUE(second.Send("activate"));
    EXPECT_TRUE(activate.wait(2000));
}

// The real program: a second start hands over and leaves, -d ends the first.
TEST(SingleInstance, TheProgramKeepsOneInstanceAndQuitsOnDashD) {
    QTemporaryDir dir;
    const QString store = dir.filePath("Handrel.conf");
    {
        QFile f(store);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[General]\nVersion=2.17\n");
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_STATE_HOME", dir.filePath("state"));
    auto start = [&](QStringList args) {
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(env);
        p->start(HD_HANDREL_PROGRAM, QStringList{"--settings", store} + args);
        return p;
    };
    auto first = start({});
    ASSERT_TRUE(first->waitForStarted(3000));
    SingleInstance probe(store);
    ASSERT_TRUE(QTest::qWaitFor([&] { return probe.Send("activate", 100); }, 5000));

    auto second = start({});
    ASSERT_TRUE(second->waitForFinished(5000));
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_EQ(first->state(), QProcess::Running);

    auto quit = start({"-d"});
    ASSERT_TRUE(quit->waitForFinished(5000));
    EXPECT_TRUE(first->waitForFinished(5000));
    EXPECT_EQ(first->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first->exitCode(), 0);
    if (first->state() != QProcess::NotRunning) first->kill();
}

}  // namespace
}  // namespace hd::desktop
