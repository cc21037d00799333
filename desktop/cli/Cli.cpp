#include "desktop/cli/Cli.h"

#include <QImage>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

#include "common/Log.h"
#include "common/SC.h"
#include "desktop/session/DesktopLog.h"
#include "desktop/session/ScreenImage.h"
#include "desktop/session/Session.h"

namespace hd::cli {

namespace {

using Clock = std::chrono::steady_clock;

void Fail(const std::string& text) {
    std::fprintf(stderr, "handrel-cli: %s\n", text.c_str());
}

// Messages on standard error; several hosts cannot happen (one --host).
class CliUi : public desktop::SessionUi {
public:
    void ShowMessage(const std::string& text) override { Fail(text); }
    std::optional<std::string> ChooseHost(const std::vector<std::string>& hosts) override {
        return hosts.empty() ? std::nullopt : std::optional(hosts.front());
    }
    void ShowWait(const std::string&) override {}
    void CloseWait() override {}
    void RequestDisconnect() override { lost = true; }
    std::atomic<bool> lost{false};
};

// Wakes the main thread when a frame arrives.
class FrameWaiter : public desktop::ScreenView {
public:
    void FrameReady(const uint8_t*, size_t) override {
        std::lock_guard l(m_mutex);
        ++m_frames;
        m_cv.notify_all();
    }
    bool WaitFirst(std::chrono::milliseconds limit) {
        std::unique_lock l(m_mutex);
        return m_cv.wait_for(l, limit, [this] { return m_frames > 0; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    int m_frames = 0;
};

int Screenshot(desktop::Session& s, FrameWaiter& frames, const std::string& file) {
    if (!frames.WaitFirst(std::chrono::seconds(15))) {
        Fail("no screen image arrived");
        return EXIT_FAILED;
    }
    desktop::RgbImage rgb;
    bool ok = false;
    s.Receiver().WithImage(
        [&](const uint8_t* p, size_t n) { ok = desktop::DecodeScreenImage(p, n, rgb); });
    if (!ok) {
        Fail("the screen image is not readable");
        return EXIT_FAILED;
    }
    QImage img(reinterpret_cast<const uchar*>(rgb.pixels.data()), rgb.width, rgb.height,
               rgb.width * 4, QImage::Format_RGB32);
    if (!img.save(QString::fromStdString(file), "PNG")) {
        Fail("cannot write " + file);
        return EXIT_FAILED;
    }
    std::printf("%s: %dx%d\n", file.c_str(), rgb.width, rgb.height);
    return EXIT_DONE;
}

int Watch(desktop::Session& s, CliUi& ui, int seconds) {
    uint32_t lastFrames = 0;
    uint64_t lastBytes = 0;
    auto tick = Clock::now();
    for (int i = 0; i < seconds; ++i) {
        tick += std::chrono::seconds(1);
        while (Clock::now() < tick) {
            if (ui.lost || !s.Receiver().Running()) {
                Fail("the connection to the device was lost");
                return EXIT_FAILED;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        const uint32_t frames = s.Receiver().Frames();
        const uint64_t bytes = s.Receiver().UpdateBytes();
        std::printf("%3ds  frames %u  bytes %llu  fps %u  bytes/s %llu\n", i + 1, frames,
                    static_cast<unsigned long long>(bytes), frames - lastFrames,
                    static_cast<unsigned long long>(bytes - lastBytes));
        std::fflush(stdout);
        lastFrames = frames;
        lastBytes = bytes;
    }
    return EXIT_DONE;
}

void PrintStats(desktop::ConnectionManager& m, const char* when) {
    desktop::Statistics& st = m.Stats();
    std::printf("%s\n", when);
    std::printf("  bytes sent         %u (since start %u)\n", st.sent.load(), st.sentTotal.load());
    std::printf("  bytes received     %u (since start %u)\n", st.received.load(),
                st.receivedTotal.load());
    std::printf("  keystrokes sent    %u (since start %u)\n", st.keys.load(), st.keysTotal.load());
    std::printf("  mouse events sent  %u (since start %u)\n", st.mouse.load(),
                st.mouseTotal.load());
    std::printf("  last connect       %s\n", m.ConnectTime().c_str());
    std::printf("  last disconnect    %s\n", m.DisconnectTime().c_str());
}

}  // namespace

int Run(const Options& o) {
    desktop::DesktopLog logFile;
    log::SetSink(&logFile);
    log::SetEnabled(o.log);
    int code = EXIT_DONE;
    {
        std::unique_ptr<desktop::Settings> store =
            o.settingsFile.empty() ? std::make_unique<desktop::Settings>()
                                   : std::make_unique<desktop::Settings>(o.settingsFile);
        CliSettings settings(*store, o);
        CliUi ui;
        desktop::LinkOptions link;
        link.device = o.device;
        link.root = o.root;
        desktop::Session session(settings, ui, link);
        FrameWaiter frames;
        if (!session.Connect(&frames)) {
            log::SetSink(nullptr);
            return EXIT_NO_CONNECTION;
        }
        if (!session.Receiver().Running()) {
            Fail("the screen channel could not be opened");
            session.Disconnect();
            log::SetSink(nullptr);
            return EXIT_NO_CONNECTION;
        }
        if (o.command == "screenshot") {
            code = Screenshot(session, frames, o.args[0]);
        } else if (o.command == "watch") {
            code = Watch(session, ui, std::stoi(o.args[0]));
        } else if (o.command == "stats") {
            frames.WaitFirst(std::chrono::seconds(15));
            std::this_thread::sleep_for(std::chrono::seconds(1));
            PrintStats(session.Manager(), "connected");
        }
        session.Disconnect();
        if (o.command == "stats") PrintStats(session.Manager(), "after disconnect");
    }
    log::SetSink(nullptr);
    return code;
}

}  // namespace hd::cli
