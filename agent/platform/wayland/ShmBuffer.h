// ShmBuffer: a wl_buffer in shared memory (memfd) that the compositor copies
// an output into. Owned by the one object that copies; made again only when
// the shape the compositor asks for changes. Never touches the GPU.
#pragma once

#include <wayland-client.h>

#include <cstdint>
#include <memory>

namespace hd::platform {

class ShmBuffer {
public:
    // Null (logged under who) when the memory cannot be made.
    static std::unique_ptr<ShmBuffer> Create(wl_shm* shm, uint32_t format, int width, int height,
                                             int stride, const char* who);
    ~ShmBuffer();
    ShmBuffer(const ShmBuffer&) = delete;
    ShmBuffer& operator=(const ShmBuffer&) = delete;

    bool Fits(uint32_t format, int width, int height, int stride) const {
        return format == m_format && width == m_width && height == m_height && stride == m_stride;
    }
    wl_buffer* Buffer() const { return m_buffer; }
    const uint8_t* Data() const { return m_data; }
    uint32_t Format() const { return m_format; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int Stride() const { return m_stride; }

private:
    ShmBuffer() = default;
    wl_buffer* m_buffer = nullptr;
    uint8_t* m_data = nullptr;
    size_t m_size = 0;
    uint32_t m_format = 0;
    int m_width = 0;
    int m_height = 0;
    int m_stride = 0;
};

}  // namespace hd::platform
