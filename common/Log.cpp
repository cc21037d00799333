#include "common/Log.h"

#include <atomic>
#include <cstdio>
#include <ctime>
#include <vector>

namespace hd::log {

namespace {
std::atomic<Sink*> g_sink{nullptr};
std::atomic<bool> g_enabled{false};
}  // namespace

void SetSink(Sink* sink) {
    g_sink.store(sink);
}
void SetEnabled(bool on) {
    g_enabled.store(on);
}
bool Enabled() {
    return g_enabled.load();
}

void VWrite(bool forced, const char* fmt, va_list ap) {
    Sink* sink = g_sink.load();
    if (!sink || (!forced && !g_enabled.load())) return;
    // Messages are formatted into 2500 bytes, growing in steps of 3000.
    std::vector<char> buf(2500);
    for (;;) {
        va_list copy;
        va_copy(copy, ap);
        int n = std::vsnprintf(buf.data(), buf.size(), fmt, copy);
        va_end(copy);
        if (n < 0) return;
        if (size_t(n) < buf.size()) break;
        buf.resize(buf.size() + 3000 * ((size_t(n) - buf.size()) / 3000 + 1));
    }
    sink->Write(forced, buf.data());
}

void Log(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    VWrite(false, fmt, ap);
    va_end(ap);
}

void Forced(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    VWrite(true, fmt, ap);
    va_end(ap);
}

std::string FormatDeviceLine(const char* text) {
    time_t now = time(nullptr);
    struct tm t;
    localtime_r(&now, &t);
    char line[252];
    int n = std::snprintf(line, sizeof line, "%d/%d/%d %d:%d:%d: %s\n", t.tm_year + 1900,
                          t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, text);
    if (n < 0) return {};
    if (size_t(n) >= sizeof line) line[sizeof line - 2] = '\n';  // cut, but keep the line
    return line;
}

void DeviceLogFile::Write(bool, const char* text) {
    std::string line = FormatDeviceLine(text);
    FILE* f = std::fopen(m_path.c_str(), "a");
    if (!f) return;
    std::fputs(line.c_str(), f);
    std::fflush(f);
    std::fclose(f);
}

}  // namespace hd::log
