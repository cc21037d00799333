#include "agent/platform/x11/X11Display.h"

#include <strings.h>

#include <algorithm>
#include <cstring>
#include <tuple>
#include <utility>

#include "agent/platform/MemoryGx.h"
#include "common/Log.h"

namespace hd::platform {

std::unique_ptr<X11Display> X11Display::Open(const char* name, Options options) {
    std::shared_ptr<X11Connection> connection = X11Connection::Open(name, "XD");
    if (!connection) return nullptr;
    ::Display* d = connection->Get();
    const int screen = connection->ScreenNumber();
    // Size changes arrive as ConfigureNotify on the root window.
    XSelectInput(d, connection->Root(), StructureNotifyMask);
    auto frame = X11Frame::Create(connection, DisplayWidth(d, screen), DisplayHeight(d, screen),
                                  options.allowShm);
    if (!frame) {
        log::Forced("XD::Open:the screen of %s cannot be read", connection->Name().c_str());
        return nullptr;
    }
    return std::unique_ptr<X11Display>(new X11Display(connection, frame, options));
}

X11Display::X11Display(std::shared_ptr<X11Connection> connection, std::shared_ptr<X11Frame> frame,
                       Options options)
    : m_connection(std::move(connection)),
      m_frame(std::move(frame)),
      m_options(options),
      m_width(m_frame->Width()),
      m_height(m_frame->Height()) {
    if (m_options.watchDamage) m_damage = X11Damage::Start(m_connection->Name());
    ::Display* d = m_connection->Get();
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    // The damage is taken on this connection, so both extensions are set up here too.
    if (m_damage && XDamageQueryExtension(d, &eventBase, &errorBase) &&
        XDamageQueryVersion(d, &major, &minor) && XFixesQueryExtension(d, &eventBase, &errorBase) &&
        XFixesQueryVersion(d, &major, &minor) && major >= 2)
        m_region = XFixesCreateRegion(d, nullptr, 0);
    log::Log("XD::Open:%s %dx%d, %d bits per pixel, %s%s", m_connection->Name().c_str(),
             m_width.load(), m_height.load(), m_frame->Layout().bitsPerPixel,
             m_frame->UsesShm() ? "MIT-SHM" : "XGetImage", m_damage ? ", DAMAGE" : "");
}

// The watcher goes first: it may be calling the listener.
X11Display::~X11Display() {
    m_damage.reset();
    if (m_region) XFixesDestroyRegion(m_connection->Get(), m_region);
}

std::string X11Display::OemInfo() {
    return "X11 display " + m_connection->Name();
}

void X11Display::SetChangeListener(std::function<void()> onChange) {
    if (m_damage) m_damage->SetListener(std::move(onChange));
}

std::unique_ptr<GxLibrary> X11Display::LoadGx(const char* name) {
    if (!name || strcasecmp(name, "gx.dll") != 0) return nullptr;
    // Every layout gets a layer that tells the truth; only 5-6-5 carries the
    // format bit the reader accepts, so other depths go to the screen copy.
    m_gxFrame = m_frame;
    if (!m_gxFrame->Valid()) m_gxFrame->Grab();  // the layer opens only over a screen
    GxProperties p;
    p.width = uint32_t(m_gxFrame->Width());
    p.height = uint32_t(m_gxFrame->Height());
    p.bpp = uint32_t(m_gxFrame->Layout().bitsPerPixel);
    p.xPitchBytes = int32_t(p.bpp / 8);
    p.yPitchBytes = int32_t(m_gxFrame->Stride());
    p.format = Is565(m_gxFrame->Layout()) ? kFormat565 : 0;
    // The frame's buffer never moves, so the pointer may be kept between
    // reads; the reader only reads it.
    auto memory = [frame = m_gxFrame]() -> uint8_t* {
        return frame->Valid() ? const_cast<uint8_t*>(frame->Data()) : nullptr;
    };
    return std::make_unique<MemoryGx>(p, memory, false);
}

void X11Display::Resize(int width, int height) {
    log::Log("XD::Resize:%dx%d to %dx%d", m_width.load(), m_height.load(), width, height);
    if (m_gxFrame && m_gxFrame->Width() == width && m_gxFrame->Height() == height) {
        m_frame = m_gxFrame;
    } else if (auto frame = X11Frame::Create(m_connection, width, height, m_options.allowShm)) {
        m_frame = std::move(frame);
    } else {
        return;  // keep reading the old size; the failure is logged
    }
    m_width.store(width);
    m_height.store(height);
}

void X11Display::BeforeCapture() {
    ::Display* d = m_connection->Get();
    XEvent event;
    int width = m_width.load();
    int height = m_height.load();
    // Every event is read (the server also sends key-map changes to all), so
    // none piles up; only the root's new size matters here.
    while (XPending(d) > 0) {
        XNextEvent(d, &event);
        if (event.type == ConfigureNotify && event.xconfigure.window == m_connection->Root()) {
            width = event.xconfigure.width;
            height = event.xconfigure.height;
        }
    }
    if (width > 0 && height > 0 && (width != m_width.load() || height != m_height.load())) {
        Resize(width, height);
        m_wholeNext = true;
    }
    // The damage is taken before the grab: what is drawn in between is both
    // grabbed now and reported again next time, never lost.
    m_damageKnown = FetchDamage();
    if (m_damageKnown && !m_wholeNext && m_frame->Valid()) {
        GrabDamagedRows();
        return;
    }
    m_damageKnown = false;
    m_wholeNext = !m_frame->Grab();
}

bool X11Display::FetchDamage() {
    m_areas.clear();
    if (!m_region || !m_damage || m_connection->Broken()) return false;
    ::Display* d = m_connection->Get();
    XDamageSubtract(d, m_damage->Id(), None, m_region);
    int count = 0;
    XRectangle* rects = XFixesFetchRegion(d, m_region, &count);
    if (!rects) return false;
    const int w = m_frame->Width(), h = m_frame->Height();
    BoundingBox all;
    for (int i = 0; i < count; ++i) {
        const Rect r = ClipTo({rects[i].x, rects[i].y, rects[i].width, rects[i].height}, w, h);
        if (r.Empty()) continue;
        m_areas.push_back(r);
        all.Add(r);
    }
    XFree(rects);
    // A region of very many pieces costs more to walk than its bounds.
    constexpr size_t kMaxAreas = 256;
    if (m_areas.size() > kMaxAreas) m_areas.assign(1, all.Take());
    return !m_connection->Broken();
}

void X11Display::GrabDamagedRows() {
    if (m_areas.empty()) return;
    std::vector<std::pair<int, int>> rows;  // [top, bottom)
    rows.reserve(m_areas.size());
    for (const Rect& r : m_areas) rows.emplace_back(r.y, r.y + r.h);
    std::sort(rows.begin(), rows.end());
    // Bands a few rows apart cost less as one request than as two.
    constexpr int kJoinGap = 8;
    int top = rows[0].first, bottom = rows[0].second;
    for (size_t i = 1; i <= rows.size(); ++i) {
        if (i < rows.size() && rows[i].first <= bottom + kJoinGap) {
            bottom = std::max(bottom, rows[i].second);
            continue;
        }
        m_frame->GrabRows(top, bottom - top);
        if (i < rows.size()) std::tie(top, bottom) = rows[i];
    }
}

bool X11Display::TakeDamage(std::vector<Rect>& areas) {
    areas.clear();
    if (!m_damageKnown || !m_frame->Valid()) return false;
    areas = m_areas;
    return true;
}

bool X11Display::CaptureRgb555Areas(uint8_t* bottomUp, int width, int height, int strideBytes,
                                    std::span<const Rect> areas) {
    if (!bottomUp || width <= 0 || height <= 0 || strideBytes < 2 * width) {
        log::Forced("XD::Capture:Bad target %dx%d stride %d", width, height, strideBytes);
        return false;
    }
    if (!m_frame->Valid()) return false;
    const int bytesPerPixel = m_frame->Layout().bitsPerPixel / 8;
    for (const Rect& area : areas) {
        const Rect r =
            ClipTo(area, std::min(width, m_frame->Width()), std::min(height, m_frame->Height()));
        if (r.Empty()) continue;
        const uint8_t* src = m_frame->Data() + size_t(r.y) * size_t(m_frame->Stride()) +
                             size_t(r.x) * size_t(bytesPerPixel);
        // The area's last row is the lowest in the bottom-up target.
        uint8_t* dst =
            bottomUp + size_t(height - r.y - r.h) * size_t(strideBytes) + size_t(r.x) * 2;
        ConvertToRgb555(src, m_frame->Stride(), m_frame->Layout(), r.w, r.h, dst, strideBytes);
    }
    return true;
}

bool X11Display::CaptureRgb555(uint8_t* bottomUp, int width, int height, int strideBytes) {
    if (!bottomUp || width <= 0 || height <= 0 || strideBytes < 2 * width) {
        log::Forced("XD::Capture:Bad target %dx%d stride %d", width, height, strideBytes);
        return false;
    }
    if (!m_frame->Valid()) return false;  // the grab said why
    const int w = std::min(width, m_frame->Width());
    const int h = std::min(height, m_frame->Height());
    // Rows past the frame (a size that changed since the caller asked) stay
    // black; the next capture has the new size and a full update.
    for (int y = h; y < height; ++y)
        std::memset(bottomUp + size_t(height - 1 - y) * strideBytes, 0, size_t(width) * 2);
    ConvertToRgb555(m_frame->Data(), m_frame->Stride(), m_frame->Layout(), w, h,
                    bottomUp + size_t(height - h) * strideBytes, strideBytes);
    if (w < width)
        for (int y = 0; y < height; ++y)
            std::memset(bottomUp + size_t(y) * strideBytes + size_t(w) * 2, 0,
                        size_t(width - w) * 2);
    return true;
}

}  // namespace hd::platform
