// wayland_test_client: the Wayland client the Wayland backend's tests run.
// It shows one xdg toplevel filled with known rectangles (at whatever size
// the compositor gives it) and reports, one line on standard output each,
// what it receives: keys (the keysym with modifiers applied), pointer motion
// and buttons (surface position), keyboard focus, the close request.
// Standard input takes drawing commands. One thread; it ends on "quit", on a
// close request, when its standard input closes, or when the compositor goes.
//
//   wayland_test_client [--title T] [--app-id A] [--fill X,Y,W,H,RRGGBB]...
//   stdin:  fill X Y W H RRGGBB | quit
//   stdout: ready W H | configured W H | drawn | key NAME | button CODE pressed|released X Y |
//           motion X Y | focus in|out | close
#include <linux/input-event-codes.h>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "TestClientOutput.h"

#include "xdg-shell-client-protocol.h"

namespace {

struct Rect {
    int x, y, w, h;
    unsigned rgb;
};

struct State {
    wl_compositor* compositor = nullptr;
    wl_shm* shm = nullptr;
    wl_seat* seat = nullptr;
    xdg_wm_base* wm = nullptr;
    wl_surface* surface = nullptr;
    xdg_surface* xsurface = nullptr;
    xdg_toplevel* toplevel = nullptr;
    wl_keyboard* keyboard = nullptr;
    wl_pointer* pointer = nullptr;
    int width = 0, height = 0;       // the size the compositor asked for
    int pendingW = 0, pendingH = 0;  // from the toplevel's configure
    bool configured = false;
    bool readyTold = false;
    bool closing = false;
    std::vector<Rect> rects;
    xkb_context* xkb = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    xkb_keymap* keymap = nullptr;
    xkb_state* keys = nullptr;
    double px = 0, py = 0;
};
State g;

// Draws every rectangle into a new buffer at the current size and commits it.
void Draw() {
    if (g.width <= 0 || g.height <= 0) return;
    const int stride = g.width * 4;
    const size_t size = size_t(stride) * size_t(g.height);
    const int fd = memfd_create("wayland-test-client", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, off_t(size)) != 0) std::exit(3);
    auto* px =
        static_cast<uint32_t*>(mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0));
    for (int y = 0; y < g.height; ++y)
        for (int x = 0; x < g.width; ++x) {
            uint32_t v = 0xFF000000;
            for (const Rect& r : g.rects)
                if (x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h) v = 0xFF000000 | r.rgb;
            px[size_t(y) * size_t(g.width) + size_t(x)] = v;
        }
    munmap(px, size);
    wl_shm_pool* pool = wl_shm_create_pool(g.shm, fd, int32_t(size));
    wl_buffer* buffer =
        wl_shm_pool_create_buffer(pool, 0, g.width, g.height, stride, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    static const wl_buffer_listener release = {[](void*, wl_buffer* b) { wl_buffer_destroy(b); }};
    wl_buffer_add_listener(buffer, &release, nullptr);
    wl_surface_attach(g.surface, buffer, 0, 0);
    wl_surface_damage(g.surface, 0, 0, g.width, g.height);
    wl_surface_commit(g.surface);
}

bool ParseRect(const std::string& text, Rect& r) {
    return std::sscanf(text.c_str(), "%d,%d,%d,%d,%x", &r.x, &r.y, &r.w, &r.h, &r.rgb) == 5;
}

const xdg_wm_base_listener kWm = {
    [](void*, xdg_wm_base* wm, uint32_t serial) { xdg_wm_base_pong(wm, serial); }};

const xdg_surface_listener kXdgSurface = {[](void*, xdg_surface* s, uint32_t serial) {
    xdg_surface_ack_configure(s, serial);
    g.width = g.pendingW > 0 ? g.pendingW : 320;
    g.height = g.pendingH > 0 ? g.pendingH : 240;
    g.configured = true;
    Draw();
    if (!g.readyTold) Say("ready %d %d", g.width, g.height);
    g.readyTold = true;
    Say("configured %d %d", g.width, g.height);
}};

const xdg_toplevel_listener kToplevel = {
    [](void*, xdg_toplevel*, int32_t w, int32_t h, wl_array*) {
        g.pendingW = w;
        g.pendingH = h;
    },
    [](void*, xdg_toplevel*) {
        Say("close");
        g.closing = true;
    },
    nullptr,  // later versions' events: not bound
    nullptr,
};

const wl_keyboard_listener kKeyboard = {
    [](void*, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size) {
        if (format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1) {
            char* text = static_cast<char*>(mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0));
            if (text != MAP_FAILED) {
                if (g.keys) xkb_state_unref(g.keys);
                if (g.keymap) xkb_keymap_unref(g.keymap);
                g.keymap = xkb_keymap_new_from_string(g.xkb, text, XKB_KEYMAP_FORMAT_TEXT_V1,
                                                      XKB_KEYMAP_COMPILE_NO_FLAGS);
                g.keys = g.keymap ? xkb_state_new(g.keymap) : nullptr;
                munmap(text, size);
            }
        }
        close(fd);
    },
    [](void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) { Say("focus in"); },
    [](void*, wl_keyboard*, uint32_t, wl_surface*) { Say("focus out"); },
    [](void*, wl_keyboard*, uint32_t, uint32_t, uint32_t key, uint32_t state) {
        if (state != WL_KEYBOARD_KEY_STATE_PRESSED || !g.keys) return;
        const xkb_keysym_t sym = xkb_state_key_get_one_sym(g.keys, key + 8);
        char name[64];
        xkb_keysym_get_name(sym, name, sizeof name);
        Say("key %s", name);
    },
    [](void*, wl_keyboard*, uint32_t, uint32_t depressed, uint32_t latched, uint32_t locked,
       uint32_t group) {
        if (g.keys) xkb_state_update_mask(g.keys, depressed, latched, locked, 0, 0, group);
    },
    [](void*, wl_keyboard*, int32_t, int32_t) {},
};

const wl_pointer_listener kPointer = {
    [](void*, wl_pointer*, uint32_t, wl_surface*, wl_fixed_t x, wl_fixed_t y) {
        g.px = wl_fixed_to_double(x);
        g.py = wl_fixed_to_double(y);
        Say("motion %d %d", int(g.px), int(g.py));
    },
    [](void*, wl_pointer*, uint32_t, wl_surface*) {},
    [](void*, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) {
        g.px = wl_fixed_to_double(x);
        g.py = wl_fixed_to_double(y);
        Say("motion %d %d", int(g.px), int(g.py));
    },
    [](void*, wl_pointer*, uint32_t, uint32_t, uint32_t button, uint32_t state) {
        Say("button %u %s %d %d", button,
            state == WL_POINTER_BUTTON_STATE_PRESSED ? "pressed" : "released", int(g.px),
            int(g.py));
    },
    [](void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {},
    [](void*, wl_pointer*) {},
    [](void*, wl_pointer*, uint32_t) {},
    [](void*, wl_pointer*, uint32_t, uint32_t) {},
    [](void*, wl_pointer*, uint32_t, int32_t) {},
    nullptr,  // a later version's event: not bound
};

const wl_seat_listener kSeat = {
    [](void*, wl_seat* seat, uint32_t caps) {
        if ((caps & WL_SEAT_CAPABILITY_KEYBOARD) && !g.keyboard) {
            g.keyboard = wl_seat_get_keyboard(seat);
            wl_keyboard_add_listener(g.keyboard, &kKeyboard, nullptr);
        }
        if ((caps & WL_SEAT_CAPABILITY_POINTER) && !g.pointer) {
            g.pointer = wl_seat_get_pointer(seat);
            wl_pointer_add_listener(g.pointer, &kPointer, nullptr);
        }
    },
    [](void*, wl_seat*, const char*) {},
};

const wl_registry_listener kRegistry = {
    [](void*, wl_registry* r, uint32_t name, const char* iface, uint32_t version) {
        const std::string i = iface;
        if (i == "wl_compositor")
            g.compositor =
                static_cast<wl_compositor*>(wl_registry_bind(r, name, &wl_compositor_interface, 4));
        else if (i == "wl_shm")
            g.shm = static_cast<wl_shm*>(wl_registry_bind(r, name, &wl_shm_interface, 1));
        else if (i == "xdg_wm_base")
            g.wm = static_cast<xdg_wm_base*>(wl_registry_bind(r, name, &xdg_wm_base_interface, 1));
        else if (i == "wl_seat" && !g.seat)
            g.seat = static_cast<wl_seat*>(
                wl_registry_bind(r, name, &wl_seat_interface, version < 5 ? version : 5));
    },
    [](void*, wl_registry*, uint32_t) {},
};

void Command(const std::string& line) {
    std::istringstream in(line);
    std::string word;
    in >> word;
    if (word == "quit") {
        g.closing = true;
    } else if (word == "fill") {
        Rect r{};
        in >> r.x >> r.y >> r.w >> r.h >> std::hex >> r.rgb;
        g.rects.push_back(r);
        Draw();
        Say("drawn");
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::string title = "wayland test client", appId = "wayland_test_client";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--title") title = argv[i + 1];
        if (a == "--app-id") appId = argv[i + 1];
        if (a == "--fill") {
            Rect r{};
            if (!ParseRect(argv[i + 1], r)) return 2;
            g.rects.push_back(r);
        }
    }
    wl_display* d = wl_display_connect(nullptr);
    if (!d) {
        std::fprintf(stderr, "wayland_test_client: no compositor\n");
        return 1;
    }
    wl_registry_add_listener(wl_display_get_registry(d), &kRegistry, nullptr);
    wl_display_roundtrip(d);
    if (!g.compositor || !g.shm || !g.wm) return 1;
    if (g.seat) wl_seat_add_listener(g.seat, &kSeat, nullptr);
    xdg_wm_base_add_listener(g.wm, &kWm, nullptr);
    g.surface = wl_compositor_create_surface(g.compositor);
    g.xsurface = xdg_wm_base_get_xdg_surface(g.wm, g.surface);
    xdg_surface_add_listener(g.xsurface, &kXdgSurface, nullptr);
    g.toplevel = xdg_surface_get_toplevel(g.xsurface);
    xdg_toplevel_add_listener(g.toplevel, &kToplevel, nullptr);
    xdg_toplevel_set_title(g.toplevel, title.c_str());
    xdg_toplevel_set_app_id(g.toplevel, appId.c_str());
    wl_surface_commit(g.surface);

    std::string pending;
    while (!g.closing) {
        wl_display_flush(d);
        pollfd fds[2] = {{wl_display_get_fd(d), POLLIN, 0}, {0, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) break;
        if (fds[0].revents & POLLIN) {
            if (wl_display_dispatch(d) < 0) break;
        } else if (fds[0].revents) {
            break;
        }
        if (fds[1].revents) {
            char buf[512];
            const ssize_t n = read(0, buf, sizeof buf);
            if (n <= 0) break;
            pending.append(buf, size_t(n));
            for (size_t nl; (nl = pending.find('\n')) != std::string::npos;) {
                Command(pending.substr(0, nl));
                pending.erase(0, nl + 1);
            }
        }
        wl_display_dispatch_pending(d);
    }
    wl_display_flush(d);
    wl_display_disconnect(d);
    return 0;
}
