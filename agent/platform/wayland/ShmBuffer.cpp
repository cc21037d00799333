#include "agent/platform/wayland/ShmBuffer.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/Log.h"

namespace hd::platform {

std::unique_ptr<ShmBuffer> ShmBuffer::Create(wl_shm* shm, uint32_t format, int width, int height,
                                             int stride, const char* who) {
    // A shape no output has is refused before memory is asked for it.
    if (!shm || width <= 0 || height <= 0 || width > 16384 || height > 16384 || stride < width ||
        stride > 4 * 16384) {
        log::Forced("%s::Buffer:the compositor asks for a %dx%d buffer of stride %d", who, width,
                    height, stride);
        return nullptr;
    }
    const size_t size = size_t(stride) * size_t(height);
    const int fd = ::memfd_create("handrel-screen", MFD_CLOEXEC);
    if (fd < 0 || ::ftruncate(fd, off_t(size)) != 0) {
        log::Forced("%s::Buffer:no shared memory: %s", who, std::strerror(errno));
        if (fd >= 0) ::close(fd);
        return nullptr;
    }
    void* data = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (data == MAP_FAILED) {
        log::Forced("%s::Buffer:mmap failed: %s", who, std::strerror(errno));
        ::close(fd);
        return nullptr;
    }
    std::unique_ptr<ShmBuffer> b(new ShmBuffer);
    wl_shm_pool* pool = wl_shm_create_pool(shm, fd, int32_t(size));
    b->m_buffer = wl_shm_pool_create_buffer(pool, 0, width, height, stride, format);
    wl_shm_pool_destroy(pool);
    ::close(fd);
    b->m_data = static_cast<uint8_t*>(data);
    b->m_size = size;
    b->m_format = format;
    b->m_width = width;
    b->m_height = height;
    b->m_stride = stride;
    return b;
}

ShmBuffer::~ShmBuffer() {
    if (m_buffer) wl_buffer_destroy(m_buffer);
    if (m_data) ::munmap(m_data, m_size);
}

}  // namespace hd::platform
