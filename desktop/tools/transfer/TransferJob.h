// TransferJob: one Paste, Delete or drop run of the transfer engine on a
// thread of its own, so that the window stays alive, with progress (the entry
// in work, files and bytes done of the total) and a Cancel that stops after
// the file in work. The questions go to the caller's TransferUi, called on
// the job's thread: it must hand them to its own thread and wait. Log tag
// "TransferJob". Owned by its starter; the destructor cancels and joins.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "desktop/session/DesktopChannel.h"
#include "desktop/tools/transfer/TransferEngine.h"

namespace hd::tools {

class TransferJob : private TransferUi {
public:
    struct Progress {
        std::string entry;  // the wait line of the entry in work, "" between entries
        uint64_t bytesDone = 0, bytesTotal = 0;
        size_t filesDone = 0, filesTotal = 0;
        bool measuring = true;  // still adding up the total
    };

    TransferJob(desktop::DesktopChannel& hc, TransferUi& questions, TransferList list,
                std::string destFolder);
    ~TransferJob() override;
    TransferJob(const TransferJob&) = delete;
    TransferJob& operator=(const TransferJob&) = delete;

    // Runs the list on the job's thread; onEnded is called there at its end.
    void Start(std::function<void()> onEnded = {});
    // Never blocks; the run stops before its next entry.
    void Cancel() { m_cancel = true; }
    void Join();

    Progress Snapshot() const;
    // "1.5 MB of 3.0 MB, 2 of 5 files, 750 KB/s" (the rate once time has passed).
    static std::string ProgressText(const Progress& p, uint64_t elapsedMs);
    // "1.5 MB", "120 KB", "12 bytes".
    static std::string ByteText(uint64_t bytes);
    bool Finished() const { return m_finished; }
    // The engine's result: false after Cancel, a Cancel in the replace
    // question or No to an error question.
    bool Succeeded() const { return m_succeeded; }
    bool WasCancelled() const { return m_cancel; }
    // The list after the run (a delete run empties it). Only once Finished.
    const TransferList& List() const { return m_list; }

private:
    void Run();
    // Adds up the files and bytes below the list; stops early on Cancel.
    void Measure(const TransferList& list);

    Answer ConfirmReplace(const std::string& name, const std::string& existing,
                          const std::string& incoming) override;
    bool AskContinue(const std::string& detail) override;
    void ShowWait(const std::string& text) override;
    void CloseWait() override;
    void Skipped(const std::string& folder, const std::string& name) override;
    bool Cancelled() override { return m_cancel; }
    void FileDone(uint64_t bytes) override;

    desktop::DesktopChannel& m_channel;
    TransferUi& m_questions;
    TransferList m_list;
    const std::string m_dest;
    TransferEngine m_engine;
    std::thread m_thread;
    std::function<void()> m_onEnded;
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_finished{false};
    std::atomic<bool> m_succeeded{false};
    mutable std::mutex m_lock;  // guards m_progress
    Progress m_progress;
};

}  // namespace hd::tools
