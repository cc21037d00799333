#include "desktop/session/DesktopLog.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "common/Paths.h"

namespace hd::desktop {

DesktopLog::DesktopLog(std::string path) : m_path(path.empty() ? DefaultPath() : std::move(path)) {}

std::string DesktopLog::DefaultPath() {
    std::string base;
    if (const char* x = std::getenv("XDG_STATE_HOME"); x && *x)
        base = x;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::string(home) + "/.local/state";
    else
        base = "/tmp";
    MakeFolders(base + "/handrel");
    return base + "/handrel/Handrel.log";
}

std::string DesktopLog::Format(bool forced, const char* text, long threadId) {
    time_t now = time(nullptr);
    struct tm t;
    localtime_r(&now, &t);
    const char* fmt = forced ? "%d/%d/%d %d:%d:%d(%lxH): %s\n" : "%d/%d/%d %d:%d:%d(%ld): %s\n";
    int n = std::snprintf(nullptr, 0, fmt, t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour,
                          t.tm_min, t.tm_sec, threadId, text);
    if (n < 0) return {};
    std::string line(size_t(n) + 1, '\0');
    std::snprintf(line.data(), line.size(), fmt, t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                  t.tm_hour, t.tm_min, t.tm_sec, threadId, text);
    line.pop_back();
    return line;
}

void DesktopLog::Write(bool forced, const char* text) {
    std::string line = Format(forced, text, long(gettid()));
    FILE* f = std::fopen(m_path.c_str(), "a");
    if (!f) return;
    std::fputs(line.c_str(), f);
    std::fflush(f);
    std::fclose(f);
}

}  // namespace hd::desktop
