// Where the DOS console's text goes: the box's edit control in the window,
// standard output on the terminal, a DosText in tests. Called on the thread
// that runs the console; a sink never calls back into the console.
#pragma once

#include <cstddef>
#include <string_view>

namespace hd::tools {

class DosSink {
public:
    virtual ~DosSink() = default;
    // Comes before an insertion of about n characters: a bounded text drops
    // its oldest characters then (DosText); an unbounded one ignores it.
    virtual void MakeRoom(size_t n) = 0;
    // Appends the text at the end; line breaks are "\r\n".
    virtual void Insert(std::string_view text) = 0;
    // Empties the whole text (cls).
    virtual void Clear() = 0;
};

}  // namespace hd::tools
