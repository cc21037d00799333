// screenshot, record, watch, stats: the screen stream and the connection
// statistics.
#include <QImage>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "desktop/cli/Command.h"
#include "desktop/cli/FrameWaiter.h"
#include "desktop/cli/MarkerLatency.h"
#include "desktop/media/ScreenRecorder.h"
#include "desktop/session/ScreenImage.h"

namespace hd::cli {

namespace {

using Clock = std::chrono::steady_clock;

std::string CheckScreenshot(const std::vector<std::string>& a) {
    return a.size() == 1 ? "" : "screenshot needs one FILE.png";
}

std::string CheckWatch(const std::vector<std::string>& a) {
    WatchOptions o;
    return ParseWatch(a, o);
}

// A whole number of seconds, 1 to a day.
bool Seconds(const std::string& s, int& out) {
    if (s.empty() || s.size() > 5 || s.find_first_not_of("0123456789") != std::string::npos)
        return false;
    out = std::stoi(s);
    return out >= 1 && out <= 86400;
}

std::string CheckRecord(const std::vector<std::string>& a) {
    int seconds = 0;
    if (a.size() != 2 || !Seconds(a[1], seconds))
        return "record needs a FILE (.avi, .mkv or .mp4) and a number of SECONDS (1 to 86400)";
    if (!media::VideoFileWriter::Supported(a[0])) return "record saves .avi, .mkv or .mp4 files";
    return "";
}

std::string CheckNone(const std::vector<std::string>& a) {
    return a.empty() ? "" : "this command takes no arguments";
}

int Screenshot(Context& c) {
    if (!FrameWaiter::Of(c).WaitFirst(std::chrono::seconds(15))) {
        Fail("no screen image arrived");
        return EXIT_FAILED;
    }
    desktop::RgbImage rgb;
    bool ok = false;
    c.session.Receiver().WithImage(
        [&](const uint8_t* p, size_t n) { ok = desktop::DecodeScreenImage(p, n, rgb); });
    if (!ok) {
        Fail("the screen image is not readable");
        return EXIT_FAILED;
    }
    const std::string& file = c.options.args[0];
    QImage img(reinterpret_cast<const uchar*>(rgb.pixels.data()), rgb.width, rgb.height,
               rgb.width * 4, QImage::Format_RGB32);
    if (!img.save(QString::fromStdString(file), "PNG")) {
        Fail("cannot write " + file);
        return EXIT_FAILED;
    }
    std::printf("%s: %dx%d\n", file.c_str(), rgb.width, rgb.height);
    return EXIT_DONE;
}

// The receiver's current image and when it arrived, read together.
bool CurrentFrame(Context& c, desktop::RgbImage& out, Clock::time_point& arrival) {
    bool ok = false;
    c.session.Receiver().WithImage([&](const uint8_t* p, size_t n) {
        ok = desktop::DecodeScreenImage(p, n, out);
        arrival = FrameWaiter::Of(c).LastArrival();
    });
    return ok;
}

int Record(Context& c) {
    const std::string& file = c.options.args[0];
    int seconds = 0;
    Seconds(c.options.args[1], seconds);
    FrameWaiter& frames = FrameWaiter::Of(c);
    desktop::RgbImage picture;
    Clock::time_point arrival;
    if (!frames.WaitFirst(std::chrono::seconds(15)) || !CurrentFrame(c, picture, arrival)) {
        Fail("no screen image arrived");
        return EXIT_FAILED;
    }
    media::ScreenRecorder recorder;
    std::string error;
    const auto start = Clock::now();
    if (!recorder.Start(file, picture, start, error)) {
        Fail("cannot record to " + file + ": " + error);
        return EXIT_FAILED;
    }
    const auto end = start + std::chrono::seconds(seconds);
    int seen = 0;
    frames.WaitNext(seen, start);  // the frames so far are in the first picture
    bool lost = false;
    while (Clock::now() < end) {
        if (c.lost || !c.session.Receiver().Running()) {
            lost = true;
            break;
        }
        if (!frames.WaitNext(seen, std::min(end, Clock::now() + std::chrono::milliseconds(100))))
            continue;
        if (CurrentFrame(c, picture, arrival) && !recorder.Add(picture, arrival)) break;
    }
    const bool stopped = recorder.Stop(lost ? Clock::now() : std::min(end, Clock::now()));
    if (!stopped || lost) {
        Fail(lost ? "the connection to the device was lost; " + file + " holds what came before"
                  : "the recording stopped: " + recorder.Error());
        return EXIT_FAILED;
    }
    std::printf("%s: %d frames, %d s\n", file.c_str(), recorder.Frames(), seconds);
    return EXIT_DONE;
}

int Watch(Context& c) {
    WatchOptions o;
    ParseWatch(c.options.args, o);
    if (o.marker) FrameWaiter::Of(c).WatchPixel(o.x, o.y);
    const int seconds = o.seconds;
    uint32_t lastFrames = 0;
    uint64_t lastBytes = 0;
    auto tick = Clock::now();
    double from = 0;
    for (int i = 0; i < seconds; ++i) {
        tick += std::chrono::seconds(1);
        while (Clock::now() < tick) {
            if (c.lost || !c.session.Receiver().Running()) {
                Fail("the connection to the device was lost");
                return EXIT_FAILED;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        const uint32_t frames = c.session.Receiver().Frames();
        const uint64_t bytes = c.session.Receiver().UpdateBytes();
        std::printf("%3ds  frames %u  bytes %llu  fps %u  bytes/s %llu\n", i + 1, frames,
                    static_cast<unsigned long long>(bytes), frames - lastFrames,
                    static_cast<unsigned long long>(bytes - lastBytes));
        std::fflush(stdout);
        lastFrames = frames;
        lastBytes = bytes;
        if (i == 0) from = SteadySeconds(Clock::now());
    }
    if (o.marker) {
        // Marks in the first second (the connection's set-up) and in the
        // last 0.3 s (too late to be answered) are left out.
        const double to = SteadySeconds(Clock::now()) - 0.3;
        std::ifstream log(o.markerLog);
        if (!log) {
            Fail("cannot read the marker log " + o.markerLog);
            return EXIT_FAILED;
        }
        std::stringstream text;
        text << log.rdbuf();
        const LatencySummary s =
            MeasureLatency(ReadMarks(text.str()), FrameWaiter::Of(c).PixelChanges(), from, to);
        std::printf("%s\n", LatencyLine(s).c_str());
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

int Stats(Context& c) {
    FrameWaiter::Of(c).WaitFirst(std::chrono::seconds(15));
    std::this_thread::sleep_for(std::chrono::seconds(1));
    PrintStats(c.session.Manager(), "connected");
    c.session.Disconnect();
    PrintStats(c.session.Manager(), "after disconnect");
    return EXIT_DONE;
}

}  // namespace

std::vector<Command> ScreenCommands() {
    return {
        {"screenshot", "screenshot FILE.png", "save the device's screen as a PNG image",
         CheckScreenshot, Screenshot, true},
        {"record", "record FILE SECONDS", "record the screen as a video (.avi, .mkv or .mp4)",
         CheckRecord, Record, true},
        {"watch", "watch SECONDS [--marker X,Y --marker-log FILE]",
         "print frames, bytes and frames per second each second (a marker adds its latency)",
         CheckWatch, Watch, true},
        {"stats", "stats", "the connection statistics after a short session", CheckNone, Stats,
         true},
    };
}

}  // namespace hd::cli
