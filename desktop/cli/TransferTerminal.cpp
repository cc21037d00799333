#include "desktop/cli/TransferTerminal.h"

#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <iostream>

#include "desktop/cli/Command.h"

namespace hd::cli {

namespace {
constexpr auto kRedraw = std::chrono::milliseconds(250);
}

bool ReadAnswer(std::string& answer) {
    answer.clear();
    if (!std::getline(std::cin, answer)) return false;
    std::string out;
    for (char c : answer)
        if (!std::isspace(static_cast<unsigned char>(c)))
            out += char(std::tolower(static_cast<unsigned char>(c)));
    answer = out;
    return true;
}

TransferProgress::TransferProgress(desktop::Statistics& stats)
    : m_stats(stats), m_enabled(::isatty(STDERR_FILENO) == 1) {
    if (m_enabled) m_thread = std::thread([this] { Loop(); });
}

TransferProgress::~TransferProgress() {
    {
        std::lock_guard l(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

uint64_t TransferProgress::Moved() const {
    return uint64_t(m_stats.sentTotal.load()) + m_stats.receivedTotal.load();
}

void TransferProgress::Begin(const std::string& entry) {
    if (!m_enabled) return;
    std::lock_guard l(m_mutex);
    m_entry = entry;
    m_start = Moved();
}

void TransferProgress::End() {
    if (!m_enabled) return;
    std::lock_guard l(m_mutex);
    if (m_entry.empty()) return;
    m_entry.clear();
    std::fputs("\r\033[K", stderr);
}

void TransferProgress::Loop() {
    std::unique_lock l(m_mutex);
    while (!m_quit) {
        m_wake.wait_for(l, kRedraw);
        if (m_quit || m_entry.empty()) continue;
        // The counters are 32-bit: the difference stays right across a wrap.
        const uint64_t moved = uint32_t(Moved() - m_start);
        std::fprintf(stderr, "\r\033[K%s  %llu bytes", m_entry.c_str(),
                     static_cast<unsigned long long>(moved));
        std::fflush(stderr);
    }
}

tools::TransferUi::Answer TransferTerminal::ConfirmReplace(const std::string& name,
                                                           const std::string& existing,
                                                           const std::string& incoming) {
    // --yes approves each entry: the same as Yes to All for every file, and an
    // existing folder is then entered without an error question.
    if (m_yesToAll) return Yes;
    m_progress.End();
    std::fprintf(stderr, "%s\n%s\n  %s\n%s\n  %s\n%s\n  %s\n", tools::kReplaceTitle,
                 tools::kReplaceIntro, name.c_str(), tools::kReplaceExisting, existing.c_str(),
                 tools::kReplaceIncoming, incoming.c_str());
    for (;;) {
        std::fputs("[y]es, yes to [a]ll, [n]o, [c]ancel? ", stderr);
        std::fflush(stderr);
        std::string a;
        if (!ReadAnswer(a)) return Cancel;
        if (a == "y" || a == "yes") return Yes;
        if (a == "a" || a == "all") return YesToAll;
        if (a == "n" || a == "no") return No;
        if (a == "c" || a == "cancel") return Cancel;
    }
}

bool TransferTerminal::AskContinue(const std::string& detail) {
    m_progress.End();
    std::fprintf(stderr, "handrel-cli: %s\n", detail.c_str());
    for (;;) {
        std::fprintf(stderr, "%s [y/n] ", tools::kErrorQuestion);
        std::fflush(stderr);
        std::string a;
        if (!ReadAnswer(a)) {
            std::fputc('\n', stderr);
            return false;
        }
        if (a == "y" || a == "yes") return true;
        if (a == "n" || a == "no") return false;
    }
}

void TransferTerminal::ShowWait(const std::string& text) {
    const std::string prefix = tools::kWaitPrefix;
    m_progress.Begin(text.compare(0, prefix.size(), prefix) == 0 ? text.substr(prefix.size())
                                                                 : text);
}

void TransferTerminal::CloseWait() {
    m_progress.End();
}

void TransferTerminal::Skipped(const std::string& folder, const std::string& name) {
    ++m_skipped;
    m_progress.End();
    Fail("skipped \"" + name + "\" in " + folder + ": the name could leave its folder");
}

}  // namespace hd::cli
