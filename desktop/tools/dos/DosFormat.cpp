#include "desktop/tools/dos/DosFormat.h"

#include <cstdarg>
#include <cstdio>

namespace hd::tools::dos {

Calendar CalendarOf(uint64_t fileTime) {
    constexpr uint64_t kTicksPerSecond = 10000000;
    const uint64_t seconds = fileTime / kTicksPerSecond;
    int64_t days = int64_t(seconds / 86400);
    const uint64_t rest = seconds % 86400;
    Calendar c;
    c.hour = int(rest / 3600);
    c.minute = int(rest / 60 % 60);
    c.second = int(rest % 60);
    // Days since 1601-01-01 to a civil date: count from 0000-03-01 instead
    // (four 400-year eras and March to December 1600), then era arithmetic.
    days += 584388 + 306;
    const int64_t era = days / 146097;
    const int64_t doe = days - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    c.day = int(doy - (153 * mp + 2) / 5 + 1);
    c.month = int(mp < 10 ? mp + 3 : mp - 9);
    c.year = int(yoe + era * 400 + (c.month <= 2 ? 1 : 0));
    return c;
}

void TwelveHour(const Calendar& c, int& hour, char& marker) {
    hour = c.hour;
    marker = 'a';
    if (c.hour > 12 || (c.hour == 12 && (c.minute != 0 || c.second != 0))) {
        marker = 'p';
        hour -= 12;
    }
}

std::string DirLine(bool directory, const Calendar& t, uint32_t sizeHigh, uint32_t sizeLow,
                    const std::string& name) {
    int hour;
    char marker;
    TwelveHour(t, hour, marker);
    if (directory)
        return Format("%02d/%02d/%04d  %02d:%02d%c <DIR>            %s", t.day, t.month, t.year,
                      hour, t.minute, marker, name.c_str());
    const double size = double(sizeHigh) * 4294967296.0 + double(sizeLow);
    return Format("%02d/%02d/%04d  %02d:%02d%c       %10.0f %s", t.day, t.month, t.year, hour,
                  t.minute, marker, size, name.c_str());
}

std::string DirLine(const FileRecord& r) {
    return DirLine(r.IsDirectory(), CalendarOf(r.LastWriteTime()), r.SizeHigh(), r.SizeLow(),
                   r.Name());
}

const std::vector<std::string>& HelpLines() {
    static const std::vector<std::string> lines = {
        "cls   Clears the screen",
        "cd    Change directory",
        "copy  Copies one or more files to another location",
        "del   Deletes one or more files",
        "dir   Displays a list of files and subdirectories in a directory",
        "exit  Quits the Remote DOS Box",
        "help  Provides Help information for Remote DOS Box commands",
        "md    Creates a directory",
        "mkdir Creates a directory",
        "rd    Removes a directory",
        "rmdir Removes a directory",
    };
    return lines;
}

std::string Format(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    va_list again;
    va_copy(again, ap);
    const int n = std::vsnprintf(nullptr, 0, fmt, ap);
    va_end(ap);
    std::string out;
    if (n > 0) {
        out.resize(size_t(n) + 1);
        std::vsnprintf(out.data(), out.size(), fmt, again);
        out.resize(size_t(n));
    }
    va_end(again);
    return out;
}

}  // namespace hd::tools::dos
