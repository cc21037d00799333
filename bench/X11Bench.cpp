// X11 capture benchmarks on private Xvfb servers (started here): the cost of
// one frame through MIT-SHM and through XGetImage, grabbed alone and grabbed
// then converted into the 5-5-5 screen image, each printed as a ratio to
// memcpy of the same number of bytes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "agent/platform/x11/X11Display.h"
#include "agent/screen/BmpImage.h"
#include "bench/RatioReporter.h"
#include "platform/XvfbServer.h"

namespace {

using hd::platform::X11Display;

struct BenchScreen {
    const char* geometry;
    int w, h, bytesPerPixel;  // as the server keeps the pixels
};
constexpr BenchScreen kScreens[] = {{"240x320x16", 240, 320, 2}, {"1920x1080x24", 1920, 1080, 4}};

std::vector<std::unique_ptr<hd::test::XvfbServer>> g_servers;

size_t FrameBytes(const BenchScreen& s) {
    return size_t(s.w) * size_t(s.h) * size_t(s.bytesPerPixel);
}

void BM_Memcpy(benchmark::State& st) {
    const size_t n = FrameBytes(kScreens[st.range(0)]);
    std::vector<uint8_t> a(n, 0x5A), b(n);
    for (auto _ : st) {
        std::memcpy(b.data(), a.data(), n);
        benchmark::ClobberMemory();
    }
}

// range(1): 1 MIT-SHM, 0 XGetImage; range(2): 1 also converts.
void BM_Capture(benchmark::State& st) {
    const BenchScreen& s = kScreens[st.range(0)];
    const bool shm = st.range(1) != 0;
    const bool convert = st.range(2) != 0;
    auto display =
        X11Display::Open(g_servers[size_t(st.range(0))]->Display().c_str(), {shm, false});
    if (!display || display->UsesShm() != shm) {
        st.SkipWithError("the display cannot be read this way");
        return;
    }
    const hd::BmpLayout l = hd::LayoutFor(s.w, s.h);
    std::vector<uint8_t> image(l.totalLen);
    for (auto _ : st) {
        display->BeforeCapture();
        if (convert) display->CaptureRgb555(image.data() + l.headerLen, s.w, s.h, int(l.stride));
        benchmark::ClobberMemory();
    }
}

BENCHMARK(BM_Memcpy)->DenseRange(0, 1);
BENCHMARK(BM_Capture)->ArgsProduct({{0, 1}, {1, 0}, {0, 1}})->UseRealTime();

using hd::bench::RatioReporter;

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (!hd::test::HaveXvfb()) {
        std::fprintf(stderr, "bench_x11: %s\n", hd::test::kNoXvfb);
        return 1;
    }
    for (const BenchScreen& s : kScreens) {
        g_servers.push_back(std::make_unique<hd::test::XvfbServer>(s.geometry));
        if (!g_servers.back()->Started()) {
            std::fprintf(stderr, "bench_x11: %s\n", g_servers.back()->Error().c_str());
            return 1;
        }
    }
    RatioReporter rep;
    benchmark::RunSpecifiedBenchmarks(&rep);
    std::printf("\nper frame, as a ratio to memcpy of the frame's bytes (lower is better)\n");
    for (int si = 0; si < 2; ++si) {
        const BenchScreen& s = kScreens[si];
        const double cpy = rep.times["BM_Memcpy/" + std::to_string(si)];
        for (int shm = 1; shm >= 0; --shm) {
            const std::string a = std::to_string(si) + "/" + std::to_string(shm);
            const double grab = rep.times["BM_Capture/" + a + "/0/real_time"];
            const double both = rep.times["BM_Capture/" + a + "/1/real_time"];
            std::printf("%-13s %-9s grab/memcpy %7.2f   grab+convert/memcpy %7.2f   (%zu bytes)\n",
                        s.geometry, shm ? "MIT-SHM" : "XGetImage", cpy > 0 ? grab / cpy : 0.0,
                        cpy > 0 ? both / cpy : 0.0, FrameBytes(s));
        }
    }
    g_servers.clear();
    benchmark::Shutdown();
    return 0;
}
