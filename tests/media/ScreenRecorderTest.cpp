// Recordings of the virtual handheld while input changes its screen, read
// back with FFmpeg: every frame, at the time it arrived, with the pictures
// the receiver held.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <mutex>

#include <sys/resource.h>

#include "common/Codes.h"
#include "desktop/media/ScreenRecorder.h"
#include "desktop/session/Session.h"
#include "media/VideoReader.h"
#include "session/SessionFakes.h"

namespace hd::media {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// The session's view: keeps the latest frame and when it arrived.
class LatestFrame : public desktop::ScreenView {
public:
    void FrameReady(const uint8_t* image, size_t length) override {
        std::lock_guard l(m_mutex);
        m_bmp.assign(image, image + length);
        m_arrival = Clock::now();
        ++m_count;
        m_cv.notify_all();
    }
    // The next frame after `seen`, until the deadline.
    bool Next(int& seen, desktop::RgbImage& out, Clock::time_point& arrival,
              Clock::time_point until) {
        std::unique_lock l(m_mutex);
        if (!m_cv.wait_until(l, until, [&] { return m_count > seen; })) return false;
        seen = m_count;
        arrival = m_arrival;
        return desktop::DecodeScreenImage(m_bmp.data(), m_bmp.size(), out);
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::vector<uint8_t> m_bmp;
    Clock::time_point m_arrival;
    int m_count = 0;
};

// The mean difference of two pictures per colour channel.
double MeanDifference(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    if (a.size() != b.size() || a.empty()) return 1e9;
    uint64_t sum = 0;
    for (size_t i = 0; i < a.size(); ++i)
        for (int shift : {0, 8, 16})
            sum += uint64_t(std::abs(int((a[i] >> shift) & 0xFF) - int((b[i] >> shift) & 0xFF)));
    return double(sum) / double(a.size() * 3);
}

class ScreenRecorderTest : public ::testing::TestWithParam<const char*> {};

TEST_P(ScreenRecorderTest, RecordsThreeSecondsOfTheHandheldAsItChanges) {
    const std::string extension = GetParam();
    const bool lossless = extension != ".mp4";
    QTemporaryDir dir;
    const std::string file = dir.filePath(QString("screen") + extension.c_str()).toStdString();
    desktop::test::MemorySettings settings;
    desktop::test::RecordingUi ui;
    desktop::Session session(settings, ui,
                             {"virtual", dir.filePath("root").toStdString(), HD_AGENT_LIBRARY});
    LatestFrame view;
    ASSERT_TRUE(session.Connect(&view));

    int seen = 0;
    desktop::RgbImage picture, first;
    Clock::time_point arrival;
    ASSERT_TRUE(view.Next(seen, first, arrival, Clock::now() + 5s));
    ScreenRecorder recorder;
    const Clock::time_point start = Clock::now();
    std::string error;
    ASSERT_TRUE(recorder.Start(file, first, start, error)) << error;
    std::vector<int64_t> arrivals{0};

    // Three seconds: a program or a key every 300 ms, every frame recorded.
    const uint8_t inputs[] = {0xC1, 'H', 'I', 0xC2, 0xC3, '7', 0xC4, 0xC5, 0xC1, 'X'};
    Clock::time_point nextInput = start;
    size_t sent = 0;
    while (Clock::now() < start + 3s) {
        if (Clock::now() >= nextInput && sent < std::size(inputs)) {
            const uint8_t in = inputs[sent++];
            if (in >= 0xC0)
                session.Command().SendAppButton(in);
            else
                session.Command().SendKey(HC_KEY, in);
            nextInput += 300ms;
        }
        if (view.Next(seen, picture, arrival, std::min(nextInput, start + 3s))) {
            ASSERT_TRUE(recorder.Add(picture, arrival)) << recorder.Error();
            arrivals.push_back(
                std::chrono::duration_cast<std::chrono::microseconds>(arrival - start).count());
        }
    }
    const Clock::time_point end = Clock::now();
    ASSERT_TRUE(recorder.Stop(end)) << recorder.Error();
    desktop::RgbImage last;
    session.Receiver().WithImage(
        [&](const uint8_t* p, size_t n) { desktop::DecodeScreenImage(p, n, last); });
    session.Disconnect();
    ASSERT_GE(arrivals.size(), 6u) << "the input hardly changed the screen";

    test::DecodedVideo video;
    ASSERT_TRUE(test::ReadVideo(file, video)) << file;
    EXPECT_EQ(video.codec, lossless ? "ffv1" : "h264");
    EXPECT_EQ(video.width, 240);
    EXPECT_EQ(video.height, 320);
    // Every frame, plus the last picture again when the recording stopped.
    ASSERT_EQ(video.frames.size(), arrivals.size() + 1);
    ASSERT_EQ(recorder.Frames(), int(video.frames.size()));
    const int64_t tick = lossless && extension == ".avi" ? 10000 : 1000;
    arrivals.push_back(std::chrono::duration_cast<std::chrono::microseconds>(end - start).count());
    for (size_t i = 0; i < video.micros.size(); ++i) {
        if (i > 0) {
            EXPECT_GT(video.micros[i], video.micros[i - 1]) << i;
        }
        // Each at its arrival, give or take the file's time unit (frames
        // within one unit are moved on by one).
        EXPECT_NEAR(double(video.micros[i]), double(arrivals[i]), double(2 * tick)) << i;
    }
    const double allowed = lossless ? 0.0 : 3.0;
    EXPECT_LE(MeanDifference(video.frames.front(), first.pixels), allowed);
    EXPECT_LE(MeanDifference(video.frames.back(), last.pixels), allowed);
    // The input changed what was recorded.
    EXPECT_GT(MeanDifference(video.frames.front(), video.frames.back()), 1.0);
}

// A full disk, as a file size limit: the recording ends with the reason and
// every frame written before the fault plays back.
TEST_P(ScreenRecorderTest, AFullDiskEndsTheRecordingAndKeepsWhatWasWritten) {
    const std::string extension = GetParam();
    QTemporaryDir dir;
    const std::string file = dir.filePath(QString("full") + extension.c_str()).toStdString();
    desktop::RgbImage picture{240, 320, std::vector<uint32_t>(240 * 320, 0xFF3060A0)};
    ScreenRecorder recorder;
    std::string error;
    EXPECT_FALSE(recorder.Start(dir.filePath("missing/x").toStdString() + extension, picture,
                                Clock::now(), error));
    EXPECT_NE(error.find("cannot create"), std::string::npos) << error;

    rlimit before{};
    getrlimit(RLIMIT_FSIZE, &before);
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit = before;
    limit.rlim_cur = 64 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    const Clock::time_point start = Clock::now();
    bool started = recorder.Start(file, picture, start, error);
    std::vector<std::vector<uint32_t>> written{picture.pixels};
    uint32_t seed = 1;
    for (int i = 1; started && i < 2000; ++i) {
        // A block of grey noise moves over the picture: a few kilobytes a
        // frame, and nothing that 4:2:0 colour would blur.
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x) {
                seed = seed * 1103515245u + 12345u;
                picture.pixels[size_t((y + (i * 7) % 280) * 240 + x + (i * 13) % 200)] =
                    0xFF000000u | (seed >> 24) * 0x010101u;
            }
        if (!recorder.Add(picture, start + std::chrono::milliseconds(100 * i))) break;
        written.push_back(picture.pixels);
    }
    setrlimit(RLIMIT_FSIZE, &before);
    ASSERT_TRUE(started) << error;
    EXPECT_FALSE(recorder.Recording());
    EXPECT_NE(recorder.Error().find("writing " + file + " failed"), std::string::npos)
        << recorder.Error();
    EXPECT_FALSE(recorder.Stop(Clock::now()));
    ASSERT_GE(written.size(), 3u);

    test::DecodedVideo video;
    ASSERT_TRUE(test::ReadVideo(file, video));
    ASSERT_GE(video.frames.size(), written.size());
    const size_t lastGood = written.size() - 1;
    EXPECT_NEAR(double(video.micros[lastGood]), 100000.0 * double(lastGood), 10000.0);
    EXPECT_LE(MeanDifference(video.frames[lastGood], written[lastGood]),
              extension == ".mp4" ? 4.0 : 0.0);
}

INSTANTIATE_TEST_SUITE_P(Containers, ScreenRecorderTest, ::testing::Values(".avi", ".mkv", ".mp4"),
                         [](const auto& info) { return std::string(info.param + 1); });

}  // namespace
}  // namespace hd::media
