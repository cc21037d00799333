// The DOS console's texts: the dir listing's entry lines (day/month/year, the
// 12-hour marker rule, sizes as "%10.0f"), the help lines and a printf-style
// formatter for the console's messages. Pure functions, any thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "desktop/tools/files/Records.h"

namespace hd::tools::dos {

struct Calendar {
    int year = 1601, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0;
};
// A FILETIME's own calendar fields, with no time-zone conversion.
Calendar CalendarOf(uint64_t fileTime);

// The hour as the listing prints it and its marker: 'p' (hour less 12) when
// the hour is above 12, or is 12 with a minute or second; else 'a'. So 12:00:00
// is "12:00a" and 12:30 is "00:30p".
void TwelveHour(const Calendar& c, int& hour, char& marker);

// One entry line of a listing (no line break).
std::string DirLine(bool directory, const Calendar& lastWrite, uint32_t sizeHigh, uint32_t sizeLow,
                    const std::string& name);
std::string DirLine(const FileRecord& record);

// The help command's lines, in order.
const std::vector<std::string>& HelpLines();

// printf into a string of whatever length it needs.
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace hd::tools::dos
