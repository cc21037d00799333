#include "agent/platform/linux/ProcFiles.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <vector>

namespace hd::platform {

namespace {

// The next blank-separated field of s from i.
std::string_view NextField(std::string_view s, size_t& i) {
    while (i < s.size() && s[i] == ' ') ++i;
    const size_t from = i;
    while (i < s.size() && s[i] != ' ' && s[i] != '\n') ++i;
    return s.substr(from, i - from);
}

template <typename T>
bool Number(std::string_view s, T& out, int base = 10) {
    if (s.empty()) return false;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), out, base);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() &&
           (s.back() == ' ' || s.back() == '\t' || s.back() == '\n' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// The value of a "key<blanks>: value" line, or nothing.
bool KeyValue(std::string_view line, std::string_view key, std::string_view& value) {
    if (line.substr(0, key.size()) != key) return false;
    std::string_view rest = line.substr(key.size());
    while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
    if (rest.empty() || rest.front() != ':') return false;
    value = Trim(rest.substr(1));
    return true;
}

template <typename Fn>
void ForEachLine(std::string_view text, Fn fn) {
    while (!text.empty()) {
        const size_t nl = text.find('\n');
        if (fn(text.substr(0, nl))) return;
        if (nl == std::string_view::npos) return;
        text.remove_prefix(nl + 1);
    }
}

}  // namespace

bool ReadTextFile(const std::string& path, std::string& out, size_t limit) {
    out.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char buf[4096];
    bool ok = true;
    while (out.size() < limit) {
        const ssize_t n = ::read(fd, buf, std::min(sizeof buf, limit - out.size()));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        out.append(buf, size_t(n));
    }
    ::close(fd);
    return ok;
}

bool ParseStat(std::string_view line, StatFields& out) {
    const size_t open = line.find('(');
    const size_t close = line.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open)
        return false;
    out.comm.assign(line.substr(open + 1, close - open - 1));
    // Fields 3 onwards: state ppid pgrp session tty_nr tpgid flags minflt
    // cminflt majflt cmajflt utime stime cutime cstime priority nice num_threads
    std::string_view f[18];
    size_t i = close + 1;
    for (auto& field : f) {
        field = NextField(line, i);
        if (field.empty()) return false;
    }
    if (f[0].size() != 1) return false;
    out.state = f[0][0];
    return Number(f[1], out.ppid) && Number(f[6], out.flags) && Number(f[15], out.priority) &&
           Number(f[17], out.threads);
}

bool ParseMapsLine(std::string_view line, MapsLine& out) {
    size_t i = 0;
    const std::string_view range = NextField(line, i);
    const std::string_view perms = NextField(line, i);
    NextField(line, i);  // offset
    out.device = NextField(line, i);
    const std::string_view inode = NextField(line, i);
    const size_t dash = range.find('-');
    if (dash == std::string_view::npos || perms.size() < 4 ||
        !Number(range.substr(0, dash), out.start, 16) ||
        !Number(range.substr(dash + 1), out.end, 16) || !Number(inode, out.inode) ||
        out.end < out.start)
        return false;
    out.executable = perms[2] == 'x';
    while (i < line.size() && line[i] == ' ') ++i;
    out.path = line.substr(i);
    if (!out.path.empty() && out.path.back() == '\n') out.path.remove_suffix(1);
    return true;
}

std::string_view BaseName(std::string_view path) {
    constexpr std::string_view kDeleted = " (deleted)";
    if (path.size() > kDeleted.size() && path.substr(path.size() - kDeleted.size()) == kDeleted)
        path.remove_suffix(kDeleted.size());
    if (const size_t slash = path.rfind('/'); slash != std::string_view::npos)
        path.remove_prefix(slash + 1);
    return path;
}

std::string ExeName(std::string_view exeLink, std::string_view cmdline, std::string_view comm) {
    if (!BaseName(exeLink).empty()) return std::string(BaseName(exeLink));
    const std::string_view argv0 = BaseName(cmdline.substr(0, cmdline.find('\0')));
    if (!comm.empty() && argv0.substr(0, comm.size()) == comm) return std::string(argv0);
    return std::string(comm);
}

std::string LinuxOsText(std::string_view release, std::string_view version, uint32_t& major,
                        uint32_t& minor, uint32_t& build) {
    size_t n = 0;
    while (n < release.size() && (release[n] == '.' || (release[n] >= '0' && release[n] <= '9')))
        ++n;
    std::string_view numbers = release.substr(0, n);
    while (!numbers.empty() && numbers.back() == '.') numbers.remove_suffix(1);
    major = minor = build = 0;
    const size_t dot = numbers.find('.');
    Number(numbers.substr(0, dot), major);
    if (dot != std::string_view::npos) {
        const std::string_view rest = numbers.substr(dot + 1);
        Number(rest.substr(0, rest.find('.')), minor);
    }
    auto firstNumber = [](std::string_view s, uint32_t& v) {
        const size_t at = s.find_first_of("0123456789");
        if (at == std::string_view::npos) return false;
        const size_t end = s.find_first_not_of("0123456789", at);
        return Number(s.substr(at, end == std::string_view::npos ? s.size() - at : end - at), v);
    };
    if (!firstNumber(release.substr(n), build)) {
        const size_t hash = version.find('#');
        if (hash == std::string_view::npos || !firstNumber(version.substr(hash), build)) build = 0;
    }
    std::string text = "Linux ";
    text += numbers.empty() ? release : numbers;
    text += ", build " + std::to_string(build);
    return text;
}

std::string CpuName(std::string_view cpuinfo, std::string_view fallback) {
    for (std::string_view key : {"model name", "Processor", "cpu model", "Hardware"}) {
        std::string_view value;
        ForEachLine(cpuinfo, [&](std::string_view line) {
            return KeyValue(line, key, value) && !value.empty();
        });
        if (value.empty()) continue;
        std::string name;
        for (char c : value)
            if (!(c == ' ' || c == '\t') || (!name.empty() && name.back() != ' '))
                name += c == '\t' ? ' ' : c;
        return name;
    }
    return std::string(fallback);
}

bool KilobyteValue(std::string_view text, std::string_view key, uint64_t& bytes) {
    bool found = false;
    ForEachLine(text, [&](std::string_view line) {
        std::string_view value;
        if (!KeyValue(line, key, value)) return false;
        size_t i = 0;
        uint64_t kb = 0;
        found = Number(NextField(value, i), kb) && kb <= UINT64_MAX / 1024;
        if (found) bytes = kb * 1024;
        return true;
    });
    return found;
}

}  // namespace hd::platform
