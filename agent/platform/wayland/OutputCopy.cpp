#include "agent/platform/wayland/OutputCopy.h"

#include "common/Log.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"

namespace hd::platform {

namespace {

constexpr uint32_t Fourcc(char a, char b, char c, char d) {
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 |
           uint32_t(uint8_t(d)) << 24;
}

void OnBuffer(void* data, zwlr_screencopy_frame_v1*, uint32_t format, uint32_t width,
              uint32_t height, uint32_t stride) {
    auto* s = static_cast<OutputCopy::FrameState*>(data);
    // The first shm shape the conversion reads wins; others are kept only
    // until one it reads comes.
    if (s->shm && ShmLayout(s->format).bitsPerPixel != 0) return;
    s->format = format;
    s->width = int(width < 0x7FFFFFFF ? width : 0);
    s->height = int(height < 0x7FFFFFFF ? height : 0);
    s->stride = int(stride < 0x7FFFFFFF ? stride : 0);
    s->shm = true;
}

const zwlr_screencopy_frame_v1_listener kFrameListener = {
    OnBuffer,
    [](void* data, zwlr_screencopy_frame_v1*, uint32_t flags) {
        static_cast<OutputCopy::FrameState*>(data)->flags = flags;
    },
    [](void* data, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {
        static_cast<OutputCopy::FrameState*>(data)->ready = true;
    },
    [](void* data, zwlr_screencopy_frame_v1*) {
        static_cast<OutputCopy::FrameState*>(data)->failed = true;
    },
    [](void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t, uint32_t) {},
    [](void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {},
    [](void* data, zwlr_screencopy_frame_v1*) {
        static_cast<OutputCopy::FrameState*>(data)->described = true;
    },
};

}  // namespace

PixelLayout ShmLayout(uint32_t format) {
    switch (format) {
        case WL_SHM_FORMAT_ARGB8888:
        case WL_SHM_FORMAT_XRGB8888:
            return {32, 0xFF0000, 0xFF00, 0xFF, false};
        case Fourcc('X', 'B', '2', '4'):
        case Fourcc('A', 'B', '2', '4'):
            return {32, 0xFF, 0xFF00, 0xFF0000, false};
        case Fourcc('X', 'R', '3', '0'):
        case Fourcc('A', 'R', '3', '0'):
            return {32, 0x3FF00000, 0xFFC00, 0x3FF, false};
        case Fourcc('X', 'B', '3', '0'):
        case Fourcc('A', 'B', '3', '0'):
            return {32, 0x3FF, 0xFFC00, 0x3FF00000, false};
        case Fourcc('R', 'G', '2', '4'):
            return {24, 0xFF0000, 0xFF00, 0xFF, false};
        case Fourcc('B', 'G', '2', '4'):
            return {24, 0xFF, 0xFF00, 0xFF0000, false};
        case Fourcc('R', 'G', '1', '6'):
            return {16, 0xF800, 0x07E0, 0x001F, false};
        case Fourcc('B', 'G', '1', '6'):
            return {16, 0x001F, 0x07E0, 0xF800, false};
    }
    return {};
}

std::unique_ptr<OutputCopy> OutputCopy::Open(WaylandConnection& connection, const char* who) {
    std::unique_ptr<OutputCopy> copy(new OutputCopy(connection, who));
    copy->m_manager = connection.Bind<zwlr_screencopy_manager_v1>(
        &zwlr_screencopy_manager_v1_interface, 3, &copy->m_version);
    copy->m_output = connection.Bind<wl_output>(&wl_output_interface, 1);
    copy->m_shm = connection.Bind<wl_shm>(&wl_shm_interface, 1);
    if (!copy->m_manager) {
        log::Forced("%s::Open:the compositor on %s has no zwlr_screencopy_manager_v1", who,
                    connection.Name().c_str());
        return nullptr;
    }
    if (!copy->m_output || !copy->m_shm) {
        log::Forced("%s::Open:the compositor on %s has no %s", who, connection.Name().c_str(),
                    copy->m_output ? "wl_shm" : "output");
        return nullptr;
    }
    return copy;
}

OutputCopy::~OutputCopy() {
    m_buffer.reset();
    if (m_manager) zwlr_screencopy_manager_v1_destroy(m_manager);
    if (m_output) wl_output_destroy(m_output);
    if (m_shm) wl_shm_destroy(m_shm);
    wl_display_flush(m_connection.Get());
}

OutputCopy::Result OutputCopy::Copy(bool withDamage, int timeoutMs, const std::atomic<bool>* stop) {
    FrameState state;
    zwlr_screencopy_frame_v1* frame =
        zwlr_screencopy_manager_v1_capture_output(m_manager, 0, m_output);
    zwlr_screencopy_frame_v1_add_listener(frame, &kFrameListener, &state);
    // Version 3 ends the shapes with buffer_done; before it, the shm shape is all.
    const bool v3 = m_version >= 3;
    Result result = Result::Failed;
    if (!m_connection.DispatchUntil(
            [&] { return state.failed || (state.shm && (!v3 || state.described)); })) {
        result = Result::TimedOut;
    } else if (state.failed || ShmLayout(state.format).bitsPerPixel == 0) {
        // Said once: a format the output keeps would fill the log otherwise.
        if (!state.failed && !m_toldShape)
            log::Forced("%s::Copy:the output offers no shm format read here (%#x)", m_who,
                        state.format);
        if (!state.failed) m_toldShape = true;
    } else {
        if (!m_buffer || !m_buffer->Fits(state.format, state.width, state.height, state.stride))
            m_buffer = ShmBuffer::Create(m_shm, state.format, state.width, state.height,
                                         state.stride, m_who);
        if (m_buffer) {
            if (withDamage && m_version >= 2)
                zwlr_screencopy_frame_v1_copy_with_damage(frame, m_buffer->Buffer());
            else
                zwlr_screencopy_frame_v1_copy(frame, m_buffer->Buffer());
            const int64_t end = WaylandConnection::NowMs() + timeoutMs;
            // Waits are cut into slices so that a stop is seen in time.
            while (!state.ready && !state.failed && !m_connection.Broken()) {
                if (stop && stop->load()) break;
                const int64_t left = end - WaylandConnection::NowMs();
                if (left <= 0) break;
                m_connection.DispatchUntil([&] { return state.ready || state.failed; },
                                           int(left < 50 ? left : 50));
            }
            if (state.ready) {
                m_yInvert = state.flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT;
                result = Result::Copied;
            } else if (!state.failed) {
                result = stop && stop->load() ? Result::Stopped : Result::TimedOut;
            }
        }
    }
    zwlr_screencopy_frame_v1_destroy(frame);
    wl_display_flush(m_connection.Get());
    return result;
}

}  // namespace hd::platform
