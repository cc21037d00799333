#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <thread>

#include "desktop/ui/main/LatencyProbe.h"
#include "desktop/ui/main/LiveView.h"
#include "ui/UiFixtures.h"

namespace hd::desktop {
namespace {

// Notifications from the receiver thread post one repaint at a time: those
// arriving while one is pending are only counted, and none runs on the
// receiver's thread.
TEST(LiveView, ReceiverNotificationsPostOneRepaintAtATime) {
    LiveView view;
    // No source: the posted call finds nothing to copy, but it still runs and
    // clears the pending mark.
    std::thread receiver([&] {
        for (int i = 0; i < 5; ++i) view.FrameReady(nullptr, 0);
    });
    receiver.join();
    EXPECT_EQ(view.FramesSkipped(), 4u);
    QCoreApplication::processEvents();
    view.FrameReady(nullptr, 0);  // posts again once the first has run
    EXPECT_EQ(view.FramesSkipped(), 4u);
    QCoreApplication::processEvents();
    EXPECT_EQ(view.FramesSkipped(), 4u);
    EXPECT_EQ(view.FramesShown(), 0u);  // nothing to show without a source
}

TEST(LiveView, KeepsItsSizeAtEachZoomAndRotation) {
    LiveView view;
    for (int z : kZooms) {
        view.SetZoom(z);
        view.SetRotation(Rotation::Portrait);
        EXPECT_EQ(view.sizeHint(), QSize(240 * z / 100, 320 * z / 100));
        view.SetRotation(Rotation::LandscapeCCW);
        EXPECT_EQ(view.size(), QSize(320 * z / 100, 240 * z / 100));
    }
}

TEST(LatencyProbe, FailsWhenNoChangeIsPainted) {
    LiveView view;
    int forward = 0;
    LatencyProbe probe(view, 3, [&] { ++forward; });
    probe.SetTimings(1, 1, 30);
    QSignalSpy done(&probe, &LatencyProbe::finished);
    probe.Start();
    ASSERT_TRUE(done.wait(2000));
    EXPECT_EQ(forward, 1);
    EXPECT_TRUE(probe.Failed());
    EXPECT_TRUE(probe.Samples().empty());
}

}  // namespace
}  // namespace hd::desktop
