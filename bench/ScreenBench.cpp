// Screen path benchmarks. Every figure is printed as a ratio against a
// baseline measured in the same run on the same image size:
//   build  = capture + delta building (no zlib) / memcmp of two equal images,
//            with the display reporting what it drew (damage) and without
//   decode = ProcessDeltas of the update / memcpy of the image
//   bytes  = packet bytes / zlib level 1 of the raw changed bytes
//   pack   = the packer / compress2 at level 1 on the same update (time, size);
//            "noise" is a full update of random pixels
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "agent/platform/virtual/VirtualDisplay.h"
#include "agent/screen/ScreenSender.h"
#include "bench/RatioReporter.h"
#include "common/ZlibPacker.h"
#include "desktop/session/ProcessDeltas.h"

namespace {

using hd::platform::Canvas;
using hd::platform::VirtualDisplay;
using hd::platform::VirtualDisplayOptions;

struct Size {
    int w, h;
};
constexpr Size kSizes[] = {{240, 320}, {1920, 1080}};
enum Change { kUnchanged, kSmall, kBand, kFull };
const char* kChangeNames[] = {"unchanged", "small", "band10", "full"};

VirtualDisplayOptions Options(Size s) {
    VirtualDisplayOptions o;
    o.width = s.w;
    o.height = s.h;
    o.clock = [] { return std::chrono::system_clock::time_point(std::chrono::seconds(7)); };
    return o;
}

// Toggles the region the change kind touches; returns its bytes as 5-5-5 rows.
std::vector<uint8_t> Toggle(VirtualDisplay& d, Change c, Size s) {
    int x0 = 0, y0 = 0, w = 0, h = 0;
    switch (c) {
        case kUnchanged:
            return {};
        case kSmall:
            x0 = s.w / 2, y0 = s.h / 2, w = 16, h = 8;
            break;  // a clock digit
        case kBand:
            y0 = s.h / 3, w = s.w, h = s.h / 10;
            break;
        case kFull:
            w = s.w, h = s.h;
            break;
    }
    std::vector<uint8_t> raw;
    raw.reserve(size_t(w) * h * 2);
    d.Draw([&](Canvas& cv) {
        for (int y = y0; y < y0 + h; ++y)
            for (int x = x0; x < x0 + w; ++x) {
                uint16_t v = uint16_t(~cv.Get(x, y));
                cv.SetPixel(x, y, v);
                uint16_t p = hd::Rgb565To555(v);
                raw.push_back(uint8_t(p));
                raw.push_back(uint8_t(p >> 8));
            }
    });
    return raw;
}

std::map<std::string, double> g_bytes;  // packet / zlib-1 ratios, by name

void BM_Memcmp(benchmark::State& st) {
    Size s = kSizes[st.range(0)];
    size_t n = 54 + size_t(s.w) * s.h * 2;
    std::vector<uint8_t> a(n, 0x5A), b(n, 0x5A);
    for (auto _ : st) benchmark::DoNotOptimize(std::memcmp(a.data(), b.data(), n));
}

void BM_Memcpy(benchmark::State& st) {
    Size s = kSizes[st.range(0)];
    size_t n = 54 + size_t(s.w) * s.h * 2;
    std::vector<uint8_t> a(n, 0x5A), b(n);
    for (auto _ : st) {
        std::memcpy(b.data(), a.data(), n);
        benchmark::ClobberMemory();
    }
}

// The virtual display without its damage reports: captured and compared whole.
class WholeDisplay : public VirtualDisplay {
public:
    using VirtualDisplay::VirtualDisplay;
    bool TakeDamage(std::vector<hd::platform::Rect>& areas) override {
        areas.clear();
        return false;
    }
};

void BM_Build(benchmark::State& st) {
    Size s = kSizes[st.range(0)];
    Change c = Change(st.range(1));
    WholeDisplay whole(Options(s));
    VirtualDisplay damaged(Options(s));
    VirtualDisplay& d = st.range(2) ? damaged : whole;
    hd::ScreenSender sender(d);
    sender.BuildDelta();  // the first, full update
    sender.BuildDelta();  // opens the frame-buffer reader
    // Only the build is timed: the screen's own change (Toggle) is not ours.
    for (auto _ : st) {
        Toggle(d, c, s);
        const auto t0 = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(sender.BuildDelta());
        st.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
}

void BM_Decode(benchmark::State& st) {
    Size s = kSizes[st.range(0)];
    Change c = Change(st.range(1));
    VirtualDisplay d(Options(s));
    hd::ScreenSender sender(d);
    sender.GetImageDeltas();
    hd::GrowBuffer image, spare;
    std::vector<uint8_t> delta(sender.Delta().block, sender.Delta().block + sender.Delta().used);
    hd::ProcessDeltas(delta.data(), delta.size(), image);
    if (c != kFull) {
        std::vector<uint8_t> raw = Toggle(d, c, s);
        if (sender.GetImageDeltas()) {
            delta.assign(sender.Delta().block, sender.Delta().block + sender.Delta().used);
            uLongf zl = compressBound(raw.size());
            std::vector<uint8_t> z(zl);
            compress2(z.data(), &zl, raw.data(), raw.size(), 1);
            g_bytes[std::to_string(s.w) + "x" + std::to_string(s.h) + "/" + kChangeNames[c]] =
                double(sender.Packet().used) / double(zl);
        }
    }
    for (auto _ : st)
        benchmark::DoNotOptimize(hd::ProcessDeltas(delta.data(), delta.size(), image, spare));
}

// The update the change kind produces (3: the first, full update; 4: a full
// update of random pixels), uncompressed.
std::vector<uint8_t> UpdateFor(Size s, int kind) {
    VirtualDisplay d(Options(s));
    hd::ScreenSender sender(d);
    sender.BuildDelta();
    if (kind >= 4) {
        // 4: random pixels; 5: random 4x4 blocks
        const int b = kind == 5 ? 4 : 1;
        uint32_t x = 12345;
        d.Draw([&](Canvas& cv) {
            for (int y = 0; y < s.h; y += b)
                for (int i = 0; i < s.w; i += b) {
                    x = x * 1664525u + 1013904223u;
                    for (int yy = y; yy < y + b; ++yy)
                        for (int ii = i; ii < i + b; ++ii) cv.SetPixel(ii, yy, uint16_t(x >> 16));
                }
        });
        sender.BuildDelta();
    } else if (kind != kFull) {
        Toggle(d, Change(kind), s);
        sender.BuildDelta();
    }
    return {sender.Delta().block, sender.Delta().block + sender.Delta().used};
}

std::map<std::string, double> g_packSize;  // packer bytes / zlib bytes, by name

void BM_PackZlib(benchmark::State& st) {
    const std::vector<uint8_t> u = UpdateFor(kSizes[st.range(0)], int(st.range(1)));
    std::vector<uint8_t> out(compressBound(u.size()));
    for (auto _ : st) {
        uLongf c = out.size();
        benchmark::DoNotOptimize(compress2(out.data(), &c, u.data(), u.size(), 1));
    }
}

void BM_PackPacker(benchmark::State& st) {
    const std::vector<uint8_t> u = UpdateFor(kSizes[st.range(0)], int(st.range(1)));
    std::vector<uint8_t> out(hd::ZlibPacker::Bound(u.size()));
    hd::ZlibPacker packer;
    size_t c = 0;
    for (auto _ : st) c = packer.Pack(u.data(), u.size(), out.data(), out.size(), 1);
    uLongf z = compressBound(u.size());
    std::vector<uint8_t> zout(z);
    compress2(zout.data(), &z, u.data(), u.size(), 1);
    g_packSize[std::to_string(st.range(0)) + "/" + std::to_string(st.range(1))] =
        double(c) / double(z);
}

BENCHMARK(BM_Memcmp)->DenseRange(0, 1);
BENCHMARK(BM_Memcpy)->DenseRange(0, 1);
BENCHMARK(BM_Build)
    ->ArgsProduct({{0, 1}, {kUnchanged, kSmall, kBand, kFull}, {0, 1}})
    ->UseManualTime();
BENCHMARK(BM_Decode)->ArgsProduct({{0, 1}, {kSmall, kBand, kFull}});
BENCHMARK(BM_PackZlib)->ArgsProduct({{0, 1}, {kSmall, kBand, kFull, 4, 5}});
BENCHMARK(BM_PackPacker)->ArgsProduct({{0, 1}, {kSmall, kBand, kFull, 4, 5}});

using hd::bench::RatioReporter;

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter rep;
    benchmark::RunSpecifiedBenchmarks(&rep);
    std::printf("\nratios (lower is better)\n");
    for (int si = 0; si < 2; ++si) {
        Size s = kSizes[si];
        const std::string sz = std::to_string(s.w) + "x" + std::to_string(s.h);
        double cmp = rep.times["BM_Memcmp/" + std::to_string(si)];
        double cpy = rep.times["BM_Memcpy/" + std::to_string(si)];
        for (int c = 0; c < 4; ++c) {
            const std::string args = std::to_string(si) + "/" + std::to_string(c);
            const std::string name = sz + "/" + kChangeNames[c];
            double whole = rep.times["BM_Build/" + args + "/0/manual_time"];
            double damaged = rep.times["BM_Build/" + args + "/1/manual_time"];
            std::printf("%-22s build/memcmp whole %7.2f damage %7.2f", name.c_str(),
                        cmp > 0 ? whole / cmp : 0.0, cmp > 0 ? damaged / cmp : 0.0);
            if (c != kUnchanged) {
                double dec = rep.times["BM_Decode/" + args];
                std::printf("   decode/memcpy %6.2f", cpy > 0 ? dec / cpy : 0.0);
            }
            if (g_bytes.count(name)) std::printf("   packet/zlib1 %5.2f", g_bytes[name]);
            std::printf("\n");
        }
    }
    std::printf("\nscreen updates, packer / compress2 level 1 (lower is better)\n");
    const char* kinds[] = {"", "small", "band10", "full", "noise", "blocks4"};
    for (int si = 0; si < 2; ++si)
        for (int k = 1; k <= 5; ++k) {
            const std::string args = std::to_string(si) + "/" + std::to_string(k);
            const double tz = rep.times["BM_PackZlib/" + args];
            const double tp = rep.times["BM_PackPacker/" + args];
            const std::string name =
                std::to_string(kSizes[si].w) + "x" + std::to_string(kSizes[si].h) + "/" + kinds[k];
            std::printf("%-22s time %6.3f   size %6.4f\n", name.c_str(), tz > 0 ? tp / tz : 0.0,
                        g_packSize[args]);
        }
    benchmark::Shutdown();
    return 0;
}
