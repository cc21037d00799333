// DosHistory: the command lines entered in the Remote DOS Box, recalled with
// Up and Down as a console does. Up walks back from the newest line, Down
// forward again and past the newest to an empty line. A line that repeats
// the newest is kept once; the oldest drop out past kMax. User-interface
// thread, owned by the box; it never holds more than kMax lines.
#pragma once

#include <deque>
#include <string>

namespace hd::tools {

class DosHistory {
public:
    static constexpr size_t kMax = 100;

    // Keeps a line just entered (blank ones are not kept) and starts the
    // walk again from the newest.
    void Add(const std::string& line);
    // The line one step older; false (nothing to show) before the oldest.
    bool Older(std::string& line);
    // The line one step newer; past the newest the empty line. False when
    // no walk is under way.
    bool Newer(std::string& line);

    size_t Size() const { return m_lines.size(); }

private:
    std::deque<std::string> m_lines;  // oldest first
    size_t m_at = 0;                  // the walk's place; Size() when none
};

}  // namespace hd::tools
