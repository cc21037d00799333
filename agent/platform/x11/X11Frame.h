// X11Frame (XS): the root window's pixels in one X image, grabbed through
// MIT-SHM into a shared segment when the server offers it to this client, else
// through XGetImage, copied into the same buffer, so the pixels' address stays put
// from one grab to the next. Used on the screen thread, on its connection;
// shared by the display and the display-memory layer it hands out. It never
// reads outside its image.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <memory>

#include "agent/platform/x11/X11Connection.h"
#include "agent/platform/x11/X11Pixels.h"

namespace hd::platform {

class X11Frame {
public:
    // A frame of the given size of the default screen; null, with a forced
    // "XS::Create:" line, when the screen's visual is not packed true colour
    // or no image can be made. allowShm false forces XGetImage.
    static std::shared_ptr<X11Frame> Create(std::shared_ptr<X11Connection> connection, int width,
                                            int height, bool allowShm = true);
    ~X11Frame();
    X11Frame(const X11Frame&) = delete;
    X11Frame& operator=(const X11Frame&) = delete;

    // Reads the whole root window into the image; false (logged once per run
    // of failures) when the server did not answer with it.
    bool Grab();
    // Reads only rows [y, y + height) into the image, where they already
    // are; false when the server did not send them. The frame stays valid
    // only while every grab since the last whole one succeeded.
    bool GrabRows(int y, int height);
    // The last Grab succeeded: Data() holds the screen.
    bool Valid() const { return m_valid; }
    bool UsesShm() const { return m_shm; }

    const uint8_t* Data() const { return reinterpret_cast<const uint8_t*>(m_image->data); }
    int Stride() const { return m_image->bytes_per_line; }
    int Width() const { return m_image->width; }
    int Height() const { return m_image->height; }
    const PixelLayout& Layout() const { return m_layout; }

private:
    X11Frame(std::shared_ptr<X11Connection> connection, XImage* image, bool shm,
             const XShmSegmentInfo& segment, const PixelLayout& layout);

    bool GetImage(::Display* display, Window root, int y, int height);
    void TellFailure();

    std::shared_ptr<X11Connection> m_connection;
    XImage* m_image;
    bool m_shm;
    XShmSegmentInfo m_segment;
    PixelLayout m_layout;
    bool m_valid = false;
    bool m_failing = false;  // told once until a grab succeeds again
};

}  // namespace hd::platform
