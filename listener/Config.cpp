#include "listener/Config.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <strings.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace hd {

namespace {
// A settings file is small; anything past this is not read.
constexpr size_t kSettingsFileMax = 64 * 1024;

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

std::string EnvOr(const char* name, const std::string& fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::string(v) : fallback;
}

std::string HomeFolder() {
    if (const char* h = std::getenv("HOME"); h && *h) return h;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/tmp";
}
}  // namespace

long ParseLogValue(std::string_view text) {
    while (!text.empty()) {
        size_t nl = text.find('\n');
        std::string_view line = Trim(text.substr(0, nl));
        text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
        size_t eq = line.find('=');
        if (line.empty() || line[0] == '#' || line[0] == ';' || line[0] == '[' ||
            eq == std::string_view::npos)
            continue;
        std::string_view name = Trim(line.substr(0, eq));
        if (name.size() != 3 || strncasecmp(name.data(), "Log", 3) != 0) continue;
        std::string_view value = Trim(line.substr(eq + 1));
        // A value past the read buffer is not read at all.
        if (value.empty() || value.size() > kLogValueMax) return 0;
        // Decimal text as the C library converts it: digits after an optional
        // sign, anything else ends the number.
        return std::strtol(std::string(value).c_str(), nullptr, 10);
    }
    return 0;
}

std::string LogSettingsPath() {
    return EnvOr("XDG_CONFIG_HOME", "/etc/xdg") + "/Orvenna Handrel.conf";
}

int ReadLogValue(const std::string& path, long& value) {
    value = 0;
    FILE* f = std::fopen(path.c_str(), "r");
    if (!f) return errno ? errno : ENOENT;
    std::string text(kSettingsFileMax, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), f));
    std::fclose(f);
    value = ParseLogValue(text);
    return 0;
}

std::string DefaultRootFolder() {
    return EnvOr("XDG_DATA_HOME", HomeFolder() + "/.local/share") + "/handrel/device";
}

bool MakeFolders(const std::string& path) {
    for (size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos < path.size() && path[pos] != '/') continue;
        std::string part = path.substr(0, pos);
        if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    if (!S_ISDIR(st.st_mode)) {
        errno = ENOTDIR;
        return false;
    }
    return true;
}

bool CanOpenDisplay(const char* display) {
    if (!display || !*display) return false;
    void* xlib = ::dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
    if (!xlib) return false;
    using OpenFn = void* (*)(const char*);
    using CloseFn = int (*)(void*);
    auto open = reinterpret_cast<OpenFn>(::dlsym(xlib, "XOpenDisplay"));
    auto close = reinterpret_cast<CloseFn>(::dlsym(xlib, "XCloseDisplay"));
    void* connection = open && close ? open(display) : nullptr;
    if (connection) close(connection);
    ::dlclose(xlib);
    return connection != nullptr;
}

bool CanConnectWayland(const char* display, const char* runtimeDir) {
    if (!display || !*display) return false;
    std::string path = display;
    if (path[0] != '/') {
        if (!runtimeDir || !*runtimeDir) return false;
        path = std::string(runtimeDir) + "/" + path;
    }
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path) return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

std::string AutoDevice(const char* display, const char* fbdev, const char* waylandDisplay,
                       const char* runtimeDir) {
    if (CanConnectWayland(waylandDisplay, runtimeDir)) return "wayland";
    if (CanOpenDisplay(display)) return "x11";
    int fd = ::open(fbdev, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return "virtual";
    ::close(fd);
    return "linux";
}

}  // namespace hd
