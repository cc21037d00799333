// x11_test_client: the X client the X11 backend's tests and benchmarks run.
// It shows one window filled with known rectangles and reports, one line on
// standard output each, what it receives: keys (code, keysym with modifiers
// applied, state), buttons and motion (window position), the close request.
// Standard input takes drawing commands. One thread; it ends on "quit", on a
// close request, when its standard input closes, or when the server goes.
//
//   x11_test_client [--title T] [--geometry WxH+X+Y] [--override] [--focus]
//                   [--fill X,Y,W,H,RRGGBB]... [--animate [--noise]]
//   stdin:  fill X Y W H RRGGBB | quit
//   stdout: ready 0xWINDOW | drawn | key press|release CODE 0xKEYSYM STATE |
//           button press|release N X Y | motion X Y | close
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <unistd.h>

#include <bit>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "TestClientOutput.h"

namespace {

struct Rect {
    int x, y, w, h;
    unsigned rgb;
};

Display* g_d;
Window g_w;
GC g_gc;
Visual* g_visual;

unsigned long Pixel(unsigned rgb) {
    // The visual's masks place each 8-bit channel (true colour only).
    auto place = [](unsigned v8, unsigned long mask) {
        const int shift = std::countr_zero(mask);
        const int bits = std::popcount(mask);
        return (bits >= 8 ? (unsigned long)v8 << (bits - 8) : (unsigned long)v8 >> (8 - bits))
               << shift;
    };
    return place(rgb >> 16 & 0xFF, g_visual->red_mask) |
           place(rgb >> 8 & 0xFF, g_visual->green_mask) | place(rgb & 0xFF, g_visual->blue_mask);
}

void Fill(const Rect& r) {
    XSetForeground(g_d, g_gc, Pixel(r.rgb));
    XFillRectangle(g_d, g_w, g_gc, r.x, r.y, unsigned(r.w), unsigned(r.h));
}

bool ParseRect(const std::string& text, Rect& r) {
    return std::sscanf(text.c_str(), "%d,%d,%d,%d,%x", &r.x, &r.y, &r.w, &r.h, &r.rgb) == 5;
}

// A pattern twice the window's width, copied at a moving offset: every pixel
// changes every frame, and the server does the copying.
// With noise, 2x2 blocks of random colour: far less for zlib to fold.
Pixmap MakeAnimation(int w, int h, bool noise) {
    const int depth = DefaultDepth(g_d, DefaultScreen(g_d));
    Pixmap p = XCreatePixmap(g_d, g_w, unsigned(2 * w), unsigned(h), unsigned(depth));
    if (noise) {
        XImage* img = XCreateImage(g_d, g_visual, unsigned(depth), ZPixmap, 0, nullptr,
                                   unsigned(2 * w), unsigned(h), 32, 0);
        img->data = static_cast<char*>(std::malloc(size_t(img->bytes_per_line) * size_t(h)));
        uint32_t seed = 12345;
        for (int y = 0; y < h; y += 2)
            for (int x = 0; x < 2 * w; x += 2) {
                seed = seed * 1664525u + 1013904223u;
                const unsigned long px = Pixel(seed >> 8);
                for (int dy = 0; dy < 2 && y + dy < h; ++dy)
                    for (int dx = 0; dx < 2; ++dx) XPutPixel(img, x + dx, y + dy, px);
            }
        XPutImage(g_d, p, g_gc, img, 0, 0, 0, 0, unsigned(2 * w), unsigned(h));
        XDestroyImage(img);
        return p;
    }
    for (int x = 0; x < 2 * w; x += 8) {
        const unsigned v = unsigned(x * 255 / (2 * w));
        XSetForeground(g_d, g_gc, Pixel(v << 16 | (255 - v) << 8 | ((x * 7) & 0xFF)));
        XFillRectangle(g_d, p, g_gc, x, 0, 8, unsigned(h));
    }
    for (int y = 0; y < h; y += 16) {
        XSetForeground(g_d, g_gc, Pixel(unsigned(y * 255 / h) * 0x010101));
        XFillRectangle(g_d, p, g_gc, (y * 13) % (2 * w), y, unsigned(w / 3), 8);
    }
    return p;
}

}  // namespace

int main(int argc, char** argv) {
    std::string title = "Handrel test client";
    int x = 0, y = 0;
    unsigned w = 0, h = 0;
    bool override = false, focus = false, animate = false, noise = false;
    std::vector<Rect> fills;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const char* next = i + 1 < argc ? argv[i + 1] : "";
        if (a == "--title") {
            title = next, ++i;
        } else if (a == "--geometry") {
            std::sscanf(next, "%ux%u+%d+%d", &w, &h, &x, &y), ++i;
        } else if (a == "--override") {
            override = true;
        } else if (a == "--focus") {
            focus = true;
        } else if (a == "--animate") {
            animate = true;
        } else if (a == "--noise") {
            noise = true;
        } else if (a == "--fill") {
            Rect r;
            if (!ParseRect(next, r)) return 2;
            fills.push_back(r), ++i;
        } else {
            std::fprintf(stderr, "x11_test_client: unknown option %s\n", a.c_str());
            return 2;
        }
    }
    g_d = XOpenDisplay(nullptr);
    if (!g_d) return 1;
    const int screen = DefaultScreen(g_d);
    g_visual = DefaultVisual(g_d, screen);
    if (!w || !h) w = unsigned(DisplayWidth(g_d, screen)), h = unsigned(DisplayHeight(g_d, screen));

    XSetWindowAttributes attrs{};
    attrs.override_redirect = override;
    attrs.background_pixel = BlackPixel(g_d, screen);
    attrs.event_mask = KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                       PointerMotionMask | ExposureMask | StructureNotifyMask;
    g_w = XCreateWindow(g_d, RootWindow(g_d, screen), x, y, w, h, 0, CopyFromParent, InputOutput,
                        CopyFromParent, CWOverrideRedirect | CWBackPixel | CWEventMask, &attrs);
    XStoreName(g_d, g_w, title.c_str());  // WM_NAME, Latin-1
    const Atom utf8 = XInternAtom(g_d, "UTF8_STRING", False);
    XChangeProperty(g_d, g_w, XInternAtom(g_d, "_NET_WM_NAME", False), utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.data()), int(title.size()));
    const long pid = long(getpid());
    XChangeProperty(g_d, g_w, XInternAtom(g_d, "_NET_WM_PID", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);
    Atom deleteWindow = XInternAtom(g_d, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(g_d, g_w, &deleteWindow, 1);
    // Placed where asked even under a window manager.
    XSizeHints hints{};
    hints.flags = USPosition | USSize;
    hints.x = x, hints.y = y, hints.width = int(w), hints.height = int(h);
    XSetWMNormalHints(g_d, g_w, &hints);
    g_gc = XCreateGC(g_d, g_w, 0, nullptr);
    XMapWindow(g_d, g_w);
    for (;;) {  // drawn once it is viewable
        XEvent e;
        XNextEvent(g_d, &e);
        if (e.type == Expose) break;
    }
    for (const Rect& r : fills) Fill(r);
    if (focus) XSetInputFocus(g_d, g_w, RevertToParent, CurrentTime);
    XSync(g_d, False);
    Say("ready 0x%lx", g_w);

    Pixmap animation = animate ? MakeAnimation(int(w), int(h), noise) : None;
    long frame = 0;
    auto nextFrame = std::chrono::steady_clock::now();
    std::string input;
    pollfd fds[2] = {{ConnectionNumber(g_d), POLLIN, 0}, {0, POLLIN, 0}};
    for (;;) {
        while (XPending(g_d) > 0) {
            XEvent e;
            XNextEvent(g_d, &e);
            switch (e.type) {
                case KeyPress:
                case KeyRelease: {
                    KeySym sym = NoSymbol;
                    char text[16];
                    XLookupString(&e.xkey, text, sizeof text, &sym, nullptr);
                    Say("key %s %u 0x%lx %u", e.type == KeyPress ? "press" : "release",
                        e.xkey.keycode, sym, e.xkey.state);
                    break;
                }
                case ButtonPress:
                case ButtonRelease:
                    Say("button %s %u %d %d", e.type == ButtonPress ? "press" : "release",
                        e.xbutton.button, e.xbutton.x, e.xbutton.y);
                    break;
                case MotionNotify:
                    Say("motion %d %d", e.xmotion.x, e.xmotion.y);
                    break;
                case MappingNotify:
                    XRefreshKeyboardMapping(&e.xmapping);
                    break;
                case ClientMessage:
                    if (Atom(e.xclient.data.l[0]) == deleteWindow) {
                        Say("close");
                        return 0;
                    }
                    break;
            }
        }
        int timeout = -1;
        if (animate) {
            const auto now = std::chrono::steady_clock::now();
            if (now >= nextFrame) {
                // 60 frames a second; the server queues at most one ahead.
                XCopyArea(g_d, animation, g_w, g_gc, int(frame * 37 % long(w)), 0, w, h, 0, 0);
                XSync(g_d, False);
                ++frame;
                nextFrame += std::chrono::microseconds(16667);
                if (nextFrame < now) nextFrame = now;
            }
            timeout =
                int(std::chrono::duration_cast<std::chrono::milliseconds>(nextFrame - now).count());
        }
        if (poll(fds, 2, timeout) < 0) return 1;
        if (fds[0].revents & (POLLERR | POLLHUP)) return 0;
        if (fds[1].revents) {
            char buf[512];
            const ssize_t n = read(0, buf, sizeof buf);
            if (n <= 0) return 0;
            input.append(buf, size_t(n));
            for (size_t nl; (nl = input.find('\n')) != std::string::npos;) {
                std::istringstream line(input.substr(0, nl));
                input.erase(0, nl + 1);
                std::string cmd;
                line >> cmd;
                if (cmd == "quit") return 0;
                if (cmd == "fill") {
                    Rect r{};
                    line >> r.x >> r.y >> r.w >> r.h >> std::hex >> r.rgb;
                    Fill(r);
                    XSync(g_d, False);
                    Say("drawn");
                }
            }
        }
    }
}
