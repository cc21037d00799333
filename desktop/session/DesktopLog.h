// The desktop's "Handrel.log": the always-writing writer (thread id in hex)
// for forced lines and the verbose writer (thread id in decimal) for lines
// written only while desktop logging (flag 0x0001) is on. The file is opened,
// appended and closed per line, from any thread.
#pragma once

#include <string>

#include "common/Log.h"

namespace hd::desktop {

class DesktopLog : public log::Sink {
public:
    // An empty path means $XDG_STATE_HOME/handrel/Handrel.log (created).
    explicit DesktopLog(std::string path = {});
    void Write(bool forced, const char* text) override;
    const std::string& Path() const { return m_path; }

    static std::string DefaultPath();
    // One line as the writer formats it, for the thread id given.
    static std::string Format(bool forced, const char* text, long threadId);

private:
    std::string m_path;
};

}  // namespace hd::desktop
