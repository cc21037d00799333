#include "agent/platform/virtual/VirtualDisplay.h"

#include <pthread.h>
#include <strings.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <utility>

#include "agent/platform/MemoryGx.h"
#include "common/Log.h"

namespace hd::platform {

namespace {

struct Layout {
    int width, height;
    int32_t xPitch, yPitch;  // in pixels
    uint32_t format;
};

Layout ChooseLayout(const VirtualDisplayOptions& o, const KnownDevice* known) {
    if (known)
        return {int(known->width), int(known->height), known->xPitch, known->yPitch, known->format};
    // Landscape order: each column of the screen is a row of memory, the
    // rightmost column first, so x walks backwards a whole column at a time.
    if (o.gxFormat & kFormatLandscape) return {o.width, o.height, -o.height, 1, o.gxFormat};
    return {o.width, o.height, 1, o.width, o.gxFormat};
}

}  // namespace

bool ParseScreenSize(const char* text, int& width, int& height) {
    if (!text) return false;
    char* end = nullptr;
    const long w = std::strtol(text, &end, 10);
    if (end == text || (*end != 'x' && *end != 'X')) return false;
    const char* rest = end + 1;
    const long h = std::strtol(rest, &end, 10);
    if (end == rest || *end != '\0') return false;
    if (w < kMinSide || w > kMaxSide || h < kMinSide || h > kMaxSide) return false;
    width = int(w);
    height = int(h);
    return true;
}

VirtualDisplayOptions VirtualDisplayOptions::FromEnvironment() {
    VirtualDisplayOptions o;
    if (const char* s = std::getenv("HANDREL_SCREEN");
        s && *s && !ParseScreenSize(s, o.width, o.height))
        log::Forced("VD::Options:Bad HANDREL_SCREEN=%s, using %dx%d", s, o.width, o.height);
    if (const char* s = std::getenv("HANDREL_OEM"); s && *s) o.oemInfo = s;
    if (const char* s = std::getenv("HANDREL_GXFORMAT"); s && *s) {
        char* end = nullptr;
        const unsigned long f = std::strtoul(s, &end, 16);
        if (end != s && *end == '\0' && f <= 0xFFFFFFFFul)
            o.gxFormat = uint32_t(f);
        else
            log::Forced("VD::Options:Bad HANDREL_GXFORMAT=%s, using %x", s, o.gxFormat);
    }
    if (const char* s = std::getenv("HANDREL_NVD")) o.answersEscape = std::strcmp(s, "1") == 0;
    return o;
}

VirtualDisplay::VirtualDisplay(VirtualDisplayOptions options)
    : m_options(std::move(options)),
      m_known(FindKnownDevice(m_options.oemInfo.c_str())),
      m_startScreen(1, 1) {
    if (m_options.width < kMinSide || m_options.width > kMaxSide || m_options.height < kMinSide ||
        m_options.height > kMaxSide) {
        log::Forced("VD::Open:Bad screen size %dx%d, using 240x320", m_options.width,
                    m_options.height);
        m_options.width = 240;
        m_options.height = 320;
    }
    const Layout l = ChooseLayout(m_options, m_known);

    // The block spans the lowest to the highest pixel address; a linear
    // address takes its extremes at the corners.
    int64_t lo = 0, hi = 0;
    for (int64_t x : {0, l.width - 1})
        for (int64_t y : {0, l.height - 1}) {
            lo = std::min(lo, x * l.xPitch + y * l.yPitch);
            hi = std::max(hi, x * l.xPitch + y * l.yPitch);
        }
    m_block = std::make_shared<std::vector<uint16_t>>(size_t(hi - lo + 1));
    m_origin = size_t(-lo);
    m_properties = {uint32_t(l.width), uint32_t(l.height), l.xPitch * 2, l.yPitch * 2, 16,
                    l.format};
    m_canvas = Canvas(Origin(), l.width, l.height, l.xPitch * 2, l.yPitch * 2, &m_drawn);
    m_startScreen = StartScreen(l.width, l.height);
    m_shownSecond = CurrentSecond();
    m_startScreen.DrawAll(m_canvas, LocalTime(m_shownSecond));
}

VirtualDisplay::~VirtualDisplay() {
    StopTicker();
}

uint8_t* VirtualDisplay::Origin() const {
    return reinterpret_cast<uint8_t*>(m_block->data() + m_origin);
}

int64_t VirtualDisplay::CurrentSecond() const {
    const auto now = m_options.clock ? m_options.clock() : std::chrono::system_clock::now();
    return std::chrono::floor<std::chrono::seconds>(now.time_since_epoch()).count();
}

std::tm VirtualDisplay::LocalTime(int64_t second) const {
    const std::time_t t = std::time_t(second);
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm;
}

std::unique_ptr<GxLibrary> VirtualDisplay::LoadGx(const char* name) {
    if (!name) return nullptr;
    const bool nvd = strcasecmp(name, "NVDGAPI.DLL") == 0;
    if (!nvd && strcasecmp(name, "gx.dll") != 0) return nullptr;
    if (nvd && !m_options.answersEscape) return nullptr;
    auto memory = [block = m_block, origin = m_origin] {
        return reinterpret_cast<uint8_t*>(block->data() + origin);
    };
    return std::make_unique<MemoryGx>(m_properties, memory, nvd);
}

uint8_t* VirtualDisplay::KnownDeviceMemory(uint32_t address) {
    return m_known && address == m_known->address ? Origin() : nullptr;
}

void VirtualDisplay::BeforeCapture() {
    const int64_t second = CurrentSecond();
    std::lock_guard lock(m_mutex);
    if (std::exchange(m_sceneChanged, false)) {
        m_shownSecond = second;
        Shown().DrawAll(m_canvas, LocalTime(second));
    } else if (second != m_shownSecond) {
        m_shownSecond = second;
        Shown().DrawClock(m_canvas, LocalTime(second));
    }
    Shown().Refresh(m_canvas);
}

bool VirtualDisplay::CaptureRgb555(uint8_t* bottomUp, int width, int height, int strideBytes) {
    if (!bottomUp || width <= 0 || height <= 0 || strideBytes < 2 * width) {
        log::Forced("VD::Capture:Bad target %dx%d stride %d", width, height, strideBytes);
        return false;
    }
    std::lock_guard lock(m_mutex);
    // A target larger than the screen gets black beyond it.
    const int w = std::min(width, m_canvas.Width());
    for (int y = 0; y < height; ++y) {
        uint8_t* row = bottomUp + size_t(height - 1 - y) * size_t(strideBytes);
        int x = 0;
        if (y < m_canvas.Height())
            for (; x < w; ++x) {
                const uint16_t v = Rgb565To555(m_canvas.Get(x, y));
                std::memcpy(row + 2 * x, &v, 2);
            }
        std::memset(row + 2 * x, 0, size_t(width - x) * 2);
    }
    return true;
}

void VirtualDisplay::Draw(const std::function<void(Canvas&)>& fn) {
    {
        std::lock_guard lock(m_mutex);
        fn(m_canvas);
    }
    NotifyChanged();
}

void VirtualDisplay::SetScene(Scene* scene) {
    {
        std::lock_guard lock(m_mutex);
        m_scene = scene;
        m_sceneChanged = true;
    }
    NotifyChanged();
}

bool VirtualDisplay::TakeDamage(std::vector<Rect>& areas) {
    areas.clear();
    std::lock_guard lock(m_mutex);
    const Rect drawn = m_drawn.Take();
    if (!drawn.Empty()) areas.push_back(drawn);
    return true;
}

void VirtualDisplay::NotifyChanged() {
    std::lock_guard lock(m_listenerMutex);
    if (m_listener) m_listener();
}

bool VirtualDisplay::ReportsChanges() {
    std::lock_guard lock(m_listenerMutex);
    return bool(m_listener);
}

void VirtualDisplay::SetChangeListener(std::function<void()> onChange) {
    StopTicker();
    std::lock_guard lock(m_listenerMutex);
    m_listener = std::move(onChange);
    if (!m_listener) return;
    m_tickerStop = false;
    m_ticker = std::thread([this] { Tick(); });
}

void VirtualDisplay::StopTicker() {
    {
        std::lock_guard lock(m_listenerMutex);
        m_tickerStop = true;
    }
    m_tickWake.notify_all();
    if (m_ticker.joinable()) m_ticker.join();
}

// The clock changes at each new second of the system clock; the wake comes a
// little after it, so the capture finds the new second.
void VirtualDisplay::Tick() {
    using namespace std::chrono;
    pthread_setname_np(pthread_self(), "VD");
    std::unique_lock lock(m_listenerMutex);
    while (!m_tickerStop) {
        const auto next = floor<seconds>(system_clock::now()) + seconds(1) + milliseconds(2);
        if (m_tickWake.wait_until(lock, next, [this] { return m_tickerStop; })) break;
        if (m_listener) m_listener();
    }
}

std::span<const uint8_t> VirtualDisplay::Memory() const {
    return {reinterpret_cast<const uint8_t*>(m_block->data()), m_block->size() * 2};
}

}  // namespace hd::platform
