// The transfer engine's questions on the terminal: the replace question and
// the error question read an answer from standard input (end of input means
// Cancel / No), and the wait line becomes a progress line (entry in work,
// bytes moved on the link) on standard error when that is a terminal. Used
// on the command's thread; its progress thread only reads counters.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "desktop/session/ConnectionManager.h"
#include "desktop/tools/transfer/TransferUi.h"

namespace hd::cli {

// The progress line: redrawn a few times a second while an entry is in work.
class TransferProgress {
public:
    explicit TransferProgress(desktop::Statistics& stats);
    ~TransferProgress();
    void Begin(const std::string& entry);
    void End();
    bool Enabled() const { return m_enabled; }

private:
    void Loop();
    uint64_t Moved() const;

    desktop::Statistics& m_stats;
    const bool m_enabled;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::string m_entry;  // empty: nothing in work
    uint64_t m_start = 0;
    bool m_quit = false;
    std::thread m_thread;
};

class TransferTerminal : public tools::TransferUi {
public:
    TransferTerminal(TransferProgress& progress, bool yesToAll)
        : m_progress(progress), m_yesToAll(yesToAll) {}

    Answer ConfirmReplace(const std::string& name, const std::string& existing,
                          const std::string& incoming) override;
    bool AskContinue(const std::string& detail) override;
    void ShowWait(const std::string& text) override;
    void CloseWait() override;
    void Skipped(const std::string& folder, const std::string& name) override;

    int SkippedCount() const { return m_skipped; }

private:
    TransferProgress& m_progress;
    const bool m_yesToAll;
    int m_skipped = 0;
};

// One line from standard input, lower-cased and trimmed; false at its end.
bool ReadAnswer(std::string& answer);

}  // namespace hd::cli
