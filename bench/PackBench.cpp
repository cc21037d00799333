// Packed-transfer and screen-packet compression: the packer against zlib's
// compress2 at the same level, on the same bytes in the same run. Prints, per
// content and level, time and size as ratios packer / zlib.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "bench/RatioReporter.h"
#include "common/ZlibPacker.h"

namespace {

constexpr size_t kBytes = 16 << 20;
const char* kContents[] = {"random", "text", "screen"};

// The system's C headers, repeated to kBytes: the text of transfer.sh.
std::vector<uint8_t> Headers() {
    std::vector<uint8_t> v;
    FILE* f = popen("find /usr/include -name '*.h' -type f -exec cat {} + 2>/dev/null", "r");
    if (f) {
        std::vector<uint8_t> chunk(1 << 16);
        size_t got;
        while (v.size() < kBytes && (got = fread(chunk.data(), 1, chunk.size(), f)) > 0)
            v.insert(v.end(), chunk.begin(), chunk.begin() + long(got));
        pclose(f);
    }
    if (v.empty()) v.assign(1, 'x');
    while (v.size() < kBytes)
        v.insert(v.end(), v.begin(), v.begin() + long(std::min(v.size(), kBytes - v.size())));
    return v;
}

// A screen-like update: 5-5-5 rows of flat areas, gradients and glyph-like runs.
std::vector<uint8_t> Screen() {
    std::vector<uint8_t> v(kBytes);
    std::mt19937 rng(2);
    for (size_t i = 0; i + 1 < v.size(); i += 2) {
        const size_t px = i / 2, x = px % 1920, y = px / 1920;
        uint16_t p = (y / 40) % 3 == 0 ? uint16_t(0x7FFF) : uint16_t((x / 8) ^ (y / 16));
        if ((x / 7 + y / 11) % 9 == 0 && rng() % 3 == 0) p = 0;
        v[i] = uint8_t(p);
        v[i + 1] = uint8_t(p >> 8);
    }
    return v;
}

const std::vector<uint8_t>& Content(int c) {
    static std::map<int, std::vector<uint8_t>> cache;
    auto& v = cache[c];
    if (v.empty()) {
        if (c == 0) {
            std::mt19937 rng(1);
            v.resize(kBytes);
            for (auto& b : v) b = uint8_t(rng());
        } else {
            v = c == 1 ? Headers() : Screen();
        }
    }
    return v;
}

std::map<std::string, size_t> g_size;  // compressed size by benchmark label

std::string Label(int content, int level) {
    return std::string(kContents[content]) + "/level" + std::to_string(level);
}

void BM_Zlib(benchmark::State& st) {
    const auto& in = Content(int(st.range(0)));
    const int level = int(st.range(1));
    std::vector<uint8_t> out(compressBound(in.size()));
    uLongf c = 0;
    for (auto _ : st) {
        c = out.size();
        compress2(out.data(), &c, in.data(), in.size(), level);
    }
    g_size["zlib/" + Label(int(st.range(0)), level)] = c;
    st.SetBytesProcessed(int64_t(st.iterations()) * int64_t(in.size()));
}

void BM_Packer(benchmark::State& st) {
    const auto& in = Content(int(st.range(0)));
    const int level = int(st.range(1));
    hd::ZlibPacker packer;
    std::vector<uint8_t> out(hd::ZlibPacker::Bound(in.size()));
    size_t c = 0;
    for (auto _ : st) c = packer.Pack(in.data(), in.size(), out.data(), out.size(), level);
    // The stream must be what zlib inflates back to the input.
    std::vector<uint8_t> back(in.size());
    uLongf n = back.size();
    if (uncompress(back.data(), &n, out.data(), c) != Z_OK || back != in)
        st.SkipWithError("packer output does not inflate to its input");
    g_size["packer/" + Label(int(st.range(0)), level)] = c;
    st.SetBytesProcessed(int64_t(st.iterations()) * int64_t(in.size()));
    st.counters["libdeflate_level"] = packer.LastLevel();
}

BENCHMARK(BM_Zlib)->ArgsProduct({{0, 1, 2}, {1, 9}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Packer)->ArgsProduct({{0, 1, 2}, {1, 9}})->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    hd::bench::RatioReporter rep;
    benchmark::RunSpecifiedBenchmarks(&rep);
    std::printf(
        "\npacker / zlib, same bytes, same level (time: lower is faster; size: <= 1 is as small or "
        "smaller)\n");
    for (int c = 0; c < 3; ++c)
        for (int level : {1, 9}) {
            const std::string args = std::to_string(c) + "/" + std::to_string(level);
            const double tz = rep.times["BM_Zlib/" + args];
            const double tp = rep.times["BM_Packer/" + args];
            const std::string l = Label(c, level);
            const double sz = double(g_size["zlib/" + l]);
            const double sp = double(g_size["packer/" + l]);
            std::printf("%-16s time %6.3f   size %6.4f\n", l.c_str(), tz > 0 ? tp / tz : 0.0,
                        sz > 0 ? sp / sz : 0.0);
        }
    benchmark::Shutdown();
    return 0;
}
