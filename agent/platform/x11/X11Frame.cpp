#include "agent/platform/x11/X11Frame.h"

#include <X11/Xutil.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "common/Log.h"

namespace hd::platform {

namespace {

// A shared segment the server has attached, or null (then nothing is left
// behind: the segment is removed and the image destroyed).
XImage* CreateShmImage(X11Connection& c, Visual* visual, int depth, int width, int height,
                       XShmSegmentInfo& segment) {
    ::Display* d = c.Get();
    if (!XShmQueryExtension(d)) return nullptr;
    XImage* image = XShmCreateImage(d, visual, unsigned(depth), ZPixmap, nullptr, &segment,
                                    unsigned(width), unsigned(height));
    if (!image) return nullptr;
    const size_t bytes = size_t(image->bytes_per_line) * size_t(image->height);
    segment.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (segment.shmid < 0) {
        log::Log("XS::Create:shmget of %zu bytes failed: %s", bytes, std::strerror(errno));
        XDestroyImage(image);
        return nullptr;
    }
    void* address = shmat(segment.shmid, nullptr, 0);
    // Removed now, freed when both this process and the server have detached.
    shmctl(segment.shmid, IPC_RMID, nullptr);
    if (address == reinterpret_cast<void*>(-1)) {
        log::Log("XS::Create:shmat failed: %s", std::strerror(errno));
        XDestroyImage(image);
        return nullptr;
    }
    segment.shmaddr = image->data = static_cast<char*>(address);
    segment.readOnly = False;
    // A server on another machine (or refusing the segment) answers with an error.
    c.BeginTrap();
    XShmAttach(d, &segment);
    const int error = c.EndTrap();
    if (error) {
        log::Log("XS::Create:the server cannot attach shared memory (error %d)", error);
        shmdt(address);
        image->data = nullptr;
        XDestroyImage(image);
        return nullptr;
    }
    return image;
}

XImage* CreatePlainImage(::Display* d, Visual* visual, int depth, int width, int height) {
    XImage* image = XCreateImage(d, visual, unsigned(depth), ZPixmap, 0, nullptr, unsigned(width),
                                 unsigned(height), 32, 0);
    if (!image) return nullptr;
    image->data =
        static_cast<char*>(std::calloc(size_t(image->bytes_per_line), size_t(image->height)));
    if (!image->data) {
        XDestroyImage(image);
        return nullptr;
    }
    return image;
}

}  // namespace

std::shared_ptr<X11Frame> X11Frame::Create(std::shared_ptr<X11Connection> connection, int width,
                                           int height, bool allowShm) {
    ::Display* d = connection->Get();
    const int screen = connection->ScreenNumber();
    Visual* visual = DefaultVisual(d, screen);
    const int depth = DefaultDepth(d, screen);
    if (visual->c_class != TrueColor && visual->c_class != DirectColor) {
        log::Forced("XS::Create:the screen's visual (class %d, depth %d) is not true colour",
                    visual->c_class, depth);
        return nullptr;
    }
    XShmSegmentInfo segment{};
    XImage* image =
        allowShm ? CreateShmImage(*connection, visual, depth, width, height, segment) : nullptr;
    const bool shm = image != nullptr;
    if (!image) image = CreatePlainImage(d, visual, depth, width, height);
    if (!image) {
        log::Forced("XS::Create:no image of %dx%d at depth %d", width, height, depth);
        return nullptr;
    }
    PixelLayout layout;
    layout.bitsPerPixel = image->bits_per_pixel;
    layout.redMask = uint32_t(visual->red_mask);
    layout.greenMask = uint32_t(visual->green_mask);
    layout.blueMask = uint32_t(visual->blue_mask);
    layout.msbFirst = image->byte_order == MSBFirst;
    if (!Convertible(layout)) {
        log::Forced("XS::Create:unsupported pixels: %d bits, masks %x %x %x", layout.bitsPerPixel,
                    layout.redMask, layout.greenMask, layout.blueMask);
        if (shm) {
            XShmDetach(d, &segment);
            shmdt(segment.shmaddr);
            image->data = nullptr;
        }
        XDestroyImage(image);
        return nullptr;
    }
    log::Log("XS::Create:%dx%d, %d bits per pixel, %s", width, height, layout.bitsPerPixel,
             shm ? "MIT-SHM" : "XGetImage");
    return std::shared_ptr<X11Frame>(
        new X11Frame(std::move(connection), image, shm, segment, layout));
}

X11Frame::X11Frame(std::shared_ptr<X11Connection> connection, XImage* image, bool shm,
                   const XShmSegmentInfo& segment, const PixelLayout& layout)
    : m_connection(std::move(connection)),
      m_image(image),
      m_shm(shm),
      m_segment(segment),
      m_layout(layout) {
    // The image names its segment by address: from now on, this copy.
    if (m_shm) m_image->obdata = reinterpret_cast<char*>(&m_segment);
}

X11Frame::~X11Frame() {
    if (m_shm) {
        XShmDetach(m_connection->Get(), &m_segment);
        XSync(m_connection->Get(), False);
        shmdt(m_segment.shmaddr);
        m_image->data = nullptr;
    }
    XDestroyImage(m_image);
}

// XGetSubImage would copy pixel by pixel; one XGetImage and a copy of its
// rows into the frame's own buffer (whose address must not move) is far cheaper.
bool X11Frame::GetImage(::Display* d, Window root, int y, int height) {
    XImage* fresh =
        XGetImage(d, root, 0, y, unsigned(Width()), unsigned(height), AllPlanes, ZPixmap);
    if (!fresh) return false;
    const bool same = fresh->width == Width() && fresh->height == height &&
                      fresh->bits_per_pixel == m_image->bits_per_pixel &&
                      fresh->byte_order == m_image->byte_order;
    if (same) {
        const size_t row = size_t(Width()) * size_t(m_image->bits_per_pixel / 8);
        for (int r = 0; r < height; ++r)
            std::memcpy(m_image->data + size_t(y + r) * size_t(Stride()),
                        fresh->data + size_t(r) * size_t(fresh->bytes_per_line), row);
    }
    XDestroyImage(fresh);
    return same;
}

void X11Frame::TellFailure() {
    if (!m_valid && !m_failing)
        log::Forced("XS::Grab:the server did not send the screen (%dx%d%s)", Width(), Height(),
                    m_connection->Broken() ? ", connection lost" : "");
    m_failing = !m_valid;
}

bool X11Frame::Grab() {
    ::Display* d = m_connection->Get();
    const Window root = m_connection->Root();
    if (m_shm)
        m_valid = XShmGetImage(d, root, m_image, 0, 0, AllPlanes);
    else
        m_valid = GetImage(d, root, 0, Height());
    TellFailure();
    return m_valid;
}

bool X11Frame::GrabRows(int y, int height) {
    y = std::max(y, 0);
    height = std::min(height, Height() - y);
    if (height <= 0) return m_valid;
    ::Display* d = m_connection->Get();
    const Window root = m_connection->Root();
    bool ok;
    if (m_shm) {
        // A view of the same segment starting at row y: the server writes
        // those rows at the frame's own stride, in place.
        XImage band = *m_image;
        band.height = height;
        band.data = m_image->data + size_t(y) * size_t(Stride());
        ok = XShmGetImage(d, root, &band, 0, y, AllPlanes);
    } else {
        ok = GetImage(d, root, y, height);
    }
    m_valid = m_valid && ok;
    TellFailure();
    return ok;
}

}  // namespace hd::platform
