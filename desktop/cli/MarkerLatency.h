// Latency from a drawing on the device to its arrival on the desktop, as
// `watch --marker X,Y --marker-log FILE` reports it: a drawing program appends
// "MARK <monotonic seconds> ..." to FILE just before it repaints the pixel at
// (X,Y); the watch notes when each arriving frame changed that pixel. A mark's
// latency is the time to the first change at or after it; a mark with no
// change within a second is missed. Plain data in, one summary out.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace hd::cli {

// A steady-clock time in seconds: the clock a marker log's times are read on.
inline double SteadySeconds(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double>(t.time_since_epoch()).count();
}

struct WatchOptions {
    int seconds = 0;
    bool marker = false;
    int x = 0, y = 0;
    std::string markerLog;
};

// "SECONDS [--marker X,Y --marker-log FILE]": "" when usable, else the message.
std::string ParseWatch(const std::vector<std::string>& args, WatchOptions& out);

struct LatencySummary {
    int marks = 0;  // marks answered within the limit
    int missed = 0;
    double medianMs = 0;
    double maxMs = 0;
};

// Marks outside [from, to] are not counted: the window leaves out the
// connection's first second and a last mark too late to be answered.
LatencySummary MeasureLatency(const std::vector<double>& marks, const std::vector<double>& changes,
                              double from, double to);

// The mark times in a marker log's text; other lines are skipped.
std::vector<double> ReadMarks(const std::string& text);

// "latency marks N  missed M  median_ms X  max_ms Y" (or "latency marks 0  missed M").
std::string LatencyLine(const LatencySummary& s);

}  // namespace hd::cli
