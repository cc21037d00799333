#include "agent/platform/x11/X11Display.h"

#include <strings.h>

#include <algorithm>
#include <cstring>

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
    log::Log("XD::Open:%s %dx%d, %d bits per pixel, %s%s", m_connection->Name().c_str(),
             m_width.load(), m_height.load(), m_frame->Layout().bitsPerPixel,
             m_frame->UsesShm() ? "MIT-SHM" : "XGetImage", m_damage ? ", DAMAGE" : "");
}

// The watcher goes first: it may be calling the listener.
X11Display::~X11Display() {
    m_damage.reset();
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
    if (width > 0 && height > 0 && (width != m_width.load() || height != m_height.load()))
        Resize(width, height);
    m_frame->Grab();
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
