// DosCompletion: Tab completion of a path on the command line of the Remote
// DOS Box, on the handheld or a desktop drive, from the current directory.
// The path being typed is the whole argument of a one-path command (cd, dir,
// del, md, rd: names may hold spaces) and the last word otherwise (copy).
// Tab replaces it with the first entry of its folder whose name starts with
// what was typed (any case), folders ending in '\'; Tab again, on the text it
// produced, steps to the next entry, Shift+Tab back, as consoles do. It lists
// through DosFiles; user-interface thread, owned by the box.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "desktop/tools/dos/DosFiles.h"

namespace hd::tools {

class DosCompletion {
public:
    // remembered gives a drive's remembered directory (or its root), as the
    // console resolves "X:name".
    DosCompletion(DosFiles& files, std::function<std::string(char drive)> remembered)
        : m_files(files), m_remembered(std::move(remembered)) {}

    // The command line with its path completed; false (line unchanged) when
    // nothing matches.
    bool Complete(const std::string& line, const std::string& current, bool backward,
                  std::string& completed);
    // Forgets the last completion (a line was entered).
    void Reset() { m_choices.clear(); }

private:
    std::vector<std::string> Candidates(const std::string& token, const std::string& current);

    DosFiles& m_files;
    std::function<std::string(char)> m_remembered;
    // The last completion, so that Tab on its own result steps on.
    std::string m_produced;
    std::string m_head;  // the line before the path
    std::vector<std::string> m_choices;
    size_t m_index = 0;
};

}  // namespace hd::tools
