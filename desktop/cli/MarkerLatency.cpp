#include "desktop/cli/MarkerLatency.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace hd::cli {

namespace {

constexpr double kAnswerLimit = 1.0;  // seconds

bool WholeNumber(const std::string& s, int lo, int hi, int& out) {
    if (s.empty() || s.size() > 6 || s.find_first_not_of("0123456789") != std::string::npos)
        return false;
    out = std::atoi(s.c_str());
    return out >= lo && out <= hi;
}

}  // namespace

std::string ParseWatch(const std::vector<std::string>& args, WatchOptions& out) {
    const char* usage = "watch needs a number of SECONDS (1 or more)";
    if (args.empty() || !WholeNumber(args[0], 1, 999999, out.seconds)) return usage;
    bool log = false;
    for (size_t i = 1; i < args.size(); i += 2) {
        if (i + 1 >= args.size()) return args[i] + " needs a value";
        const std::string& value = args[i + 1];
        if (args[i] == "--marker") {
            const size_t comma = value.find(',');
            if (comma == std::string::npos ||
                !WholeNumber(value.substr(0, comma), 0, 16383, out.x) ||
                !WholeNumber(value.substr(comma + 1), 0, 16383, out.y))
                return "--marker needs X,Y (pixels from the top left)";
            out.marker = true;
        } else if (args[i] == "--marker-log") {
            out.markerLog = value;
            log = true;
        } else {
            return "watch does not know " + args[i];
        }
    }
    if (out.marker != log) return "--marker and --marker-log go together";
    return "";
}

LatencySummary MeasureLatency(const std::vector<double>& marks, const std::vector<double>& changes,
                              double from, double to) {
    std::vector<double> sorted = changes;
    std::sort(sorted.begin(), sorted.end());
    std::vector<double> ms;
    LatencySummary s;
    for (double m : marks) {
        if (m < from || m > to) continue;
        const auto hit = std::lower_bound(sorted.begin(), sorted.end(), m);
        if (hit == sorted.end() || *hit - m > kAnswerLimit)
            ++s.missed;
        else
            ms.push_back((*hit - m) * 1000);
    }
    std::sort(ms.begin(), ms.end());
    s.marks = int(ms.size());
    if (!ms.empty()) {
        s.medianMs = ms[ms.size() / 2];
        s.maxMs = ms.back();
    }
    return s;
}

std::vector<double> ReadMarks(const std::string& text) {
    std::vector<double> marks;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string tag;
        double t;
        if (words >> tag >> t && tag == "MARK") marks.push_back(t);
    }
    return marks;
}

std::string LatencyLine(const LatencySummary& s) {
    char line[160];
    if (s.marks == 0)
        std::snprintf(line, sizeof line, "latency marks 0  missed %d", s.missed);
    else
        std::snprintf(line, sizeof line, "latency marks %d  missed %d  median_ms %.1f  max_ms %.1f",
                      s.marks, s.missed, s.medianMs, s.maxMs);
    return line;
}

}  // namespace hd::cli
