#include "agent/platform/wayland/WaylandDisplay.h"

#include <algorithm>
#include <cstring>

#include "common/Log.h"

namespace hd::platform {

std::unique_ptr<WaylandDisplay> WaylandDisplay::Open(const char* name, bool watchDamage) {
    auto connection = WaylandConnection::Open(name, "WD");
    if (!connection) return nullptr;
    auto copy = OutputCopy::Open(*connection, "WD");
    if (!copy) return nullptr;
    std::unique_ptr<WaylandDisplay> display(
        new WaylandDisplay(std::move(connection), std::move(copy), watchDamage));
    if (!display->Grab()) {
        log::Forced("WD::Open:the output of %s cannot be copied",
                    display->m_connection->Name().c_str());
        return nullptr;
    }
    log::Log("WD::Open:%s %dx%d, format %#x%s", display->m_connection->Name().c_str(),
             display->Width(), display->Height(), display->m_copy->Frame()->Format(),
             display->m_damage ? ", damage" : "");
    return display;
}

WaylandDisplay::WaylandDisplay(std::unique_ptr<WaylandConnection> connection,
                               std::unique_ptr<OutputCopy> copy, bool watchDamage)
    : m_connection(std::move(connection)), m_copy(std::move(copy)) {
    if (watchDamage) m_damage = WaylandDamage::Start(m_connection->Name());
}

// The watcher goes first: it may be calling the listener.
WaylandDisplay::~WaylandDisplay() {
    m_damage.reset();
    m_copy.reset();
}

void WaylandDisplay::SetChangeListener(std::function<void()> onChange) {
    if (m_damage) m_damage->SetListener(std::move(onChange));
}

bool WaylandDisplay::Grab() {
    const auto result = m_copy->Copy(false, WaylandConnection::kWaitMs);
    m_valid = result == OutputCopy::Result::Copied;
    if (!m_valid) {
        if (!m_failing)
            log::Forced("WD::Capture:the output cannot be copied (%s)",
                        result == OutputCopy::Result::TimedOut ? "no answer"
                        : m_connection->Broken()               ? "the compositor is gone"
                                                               : "copy failed");
        m_failing = true;
        return false;
    }
    m_failing = false;
    const ShmBuffer* frame = m_copy->Frame();
    if (frame->Width() != m_width.load() || frame->Height() != m_height.load()) {
        if (m_width.load())
            log::Log("WD::Resize:%dx%d to %dx%d", m_width.load(), m_height.load(), frame->Width(),
                     frame->Height());
        m_width.store(frame->Width());
        m_height.store(frame->Height());
    }
    return true;
}

void WaylandDisplay::BeforeCapture() {
    Grab();
}

bool WaylandDisplay::CaptureRgb555(uint8_t* bottomUp, int width, int height, int strideBytes) {
    if (!bottomUp || width <= 0 || height <= 0 || strideBytes < 2 * width) {
        log::Forced("WD::Capture:Bad target %dx%d stride %d", width, height, strideBytes);
        return false;
    }
    if (!m_valid) return false;  // the copy said why
    const ShmBuffer* frame = m_copy->Frame();
    const PixelLayout layout = ShmLayout(frame->Format());
    const int w = std::min(width, frame->Width());
    const int h = std::min(height, frame->Height());
    // Rows and columns past the frame (a size that changed since the caller
    // asked) stay black; the next capture has the new size and a full update.
    for (int y = 0; y < height; ++y) {
        uint8_t* out = bottomUp + size_t(height - 1 - y) * size_t(strideBytes);
        if (y >= h) {
            std::memset(out, 0, size_t(width) * 2);
            continue;
        }
        const int row = m_copy->YInverted() ? frame->Height() - 1 - y : y;
        ConvertToRgb555(frame->Data() + size_t(row) * size_t(frame->Stride()), frame->Stride(),
                        layout, w, 1, out, strideBytes);
        if (w < width) std::memset(out + size_t(w) * 2, 0, size_t(width - w) * 2);
    }
    return true;
}

}  // namespace hd::platform
