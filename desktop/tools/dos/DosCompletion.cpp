#include "desktop/tools/dos/DosCompletion.h"

#include <algorithm>
#include <cctype>

#include "desktop/tools/dos/DosLine.h"

namespace hd::tools {

namespace {

std::string Lower(std::string s) {
    for (char& c : s) c = char(std::tolower(uint8_t(c)));
    return s;
}

bool OnePathCommand(const std::string& word) {
    for (const char* w : {"cd", "dir", "del", "md", "mkdir", "rd", "rmdir"})
        if (word == w) return true;
    return false;
}

// Where the path being typed starts in the line.
size_t PathStart(const std::string& line) {
    const dos::Split split = dos::SplitCommand(line);
    if (split.argument.empty()) {
        // Nothing typed after the word yet: the path starts at the end, once
        // a separator follows the word.
        return line.size() > split.word.size() ? line.size() : std::string::npos;
    }
    if (OnePathCommand(split.word)) {
        const size_t at = line.rfind(split.argument);
        if (at != std::string::npos && at + split.argument.size() == line.size()) return at;
        return std::string::npos;  // trailing blanks: nothing to complete
    }
    const size_t space = line.rfind(' ');
    return space == std::string::npos ? std::string::npos : space + 1;
}

}  // namespace

std::vector<std::string> DosCompletion::Candidates(const std::string& token,
                                                   const std::string& current) {
    // The folder part as typed, and the start of the name.
    size_t cut = token.rfind('\\');
    if (cut == std::string::npos && token.size() >= 2 && token[1] == ':') cut = 1;
    const std::string typedFolder = cut == std::string::npos ? "" : token.substr(0, cut + 1);
    const std::string prefix = Lower(token.substr(typedFolder.size()));
    std::string folder =
        dos::Resolve(typedFolder.empty() ? "." : typedFolder, current, m_remembered);
    if (!dos::EndsWithBackslash(folder)) folder += '\\';

    std::vector<std::pair<std::string, bool>> found;
    const RecordList list = m_files.List(folder + "*");
    for (size_t i = 0; i < list.Count(); ++i) {
        const FileRecord r = list.At(i);
        const std::string name = r.Name();
        if (dos::AddressableName(name) && Lower(name).compare(0, prefix.size(), prefix) == 0)
            found.emplace_back(name, r.IsDirectory());
    }
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return Lower(a.first) < Lower(b.first); });
    std::vector<std::string> out;
    for (const auto& [name, dir] : found) out.push_back(typedFolder + name + (dir ? "\\" : ""));
    return out;
}

bool DosCompletion::Complete(const std::string& line, const std::string& current, bool backward,
                             std::string& completed) {
    if (!m_choices.empty() && line == m_produced) {
        const size_t n = m_choices.size();
        m_index = backward ? (m_index + n - 1) % n : (m_index + 1) % n;
    } else {
        m_choices.clear();
        const size_t start = PathStart(line);
        if (start == std::string::npos) return false;
        m_head = line.substr(0, start);
        m_choices = Candidates(line.substr(start), current);
        if (m_choices.empty()) return false;
        m_index = backward ? m_choices.size() - 1 : 0;
    }
    completed = m_produced = m_head + m_choices[m_index];
    return true;
}

}  // namespace hd::tools
