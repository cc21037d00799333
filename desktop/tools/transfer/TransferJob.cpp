#include "desktop/tools/transfer/TransferJob.h"

#include <pthread.h>

#include <cstdio>

#include "common/Log.h"
#include "desktop/tools/files/Location.h"

namespace hd::tools {

TransferJob::TransferJob(desktop::DesktopChannel& hc, TransferUi& questions, TransferList list,
                         std::string destFolder)
    : m_channel(hc),
      m_questions(questions),
      m_list(std::move(list)),
      m_dest(std::move(destFolder)),
      m_engine(hc, *this) {}

TransferJob::~TransferJob() {
    Cancel();
    Join();
}

void TransferJob::Start(std::function<void()> onEnded) {
    m_onEnded = std::move(onEnded);
    m_thread = std::thread([this] {
        pthread_setname_np(pthread_self(), "TransferJob");
        Run();
    });
}

void TransferJob::Join() {
    if (m_thread.joinable()) m_thread.join();
}

void TransferJob::Run() {
    Measure(m_list);
    {
        std::lock_guard lock(m_lock);
        m_progress.measuring = false;
    }
    m_succeeded = !m_cancel && m_engine.Run(m_list, m_dest);
    if (m_cancel) {
        const Progress p = Snapshot();
        log::Forced("TransferJob::Run:Cancelled after %zu of %zu files", p.filesDone, p.filesTotal);
    }
    m_finished = true;
    if (m_onEnded) m_onEnded();
}

void TransferJob::Measure(const TransferList& list) {
    for (const TransferEntry& entry : list.entries) {
        if (m_cancel) return;
        if (entry.attributes & kAttrDirectory) {
            TransferList sub;
            sub.sourceFolder = JoinPath(list.sourceFolder, entry.name);
            m_engine.Fill(sub);
            Measure(sub);
        } else {
            std::lock_guard lock(m_lock);
            m_progress.bytesTotal += entry.size;
            ++m_progress.filesTotal;
        }
    }
}

std::string TransferJob::ByteText(uint64_t bytes) {
    char text[48];
    if (bytes < 1024)
        std::snprintf(text, sizeof text, "%llu bytes", static_cast<unsigned long long>(bytes));
    else if (bytes < 1024 * 1024)
        std::snprintf(text, sizeof text, "%.1f KB", double(bytes) / 1024);
    else if (bytes < 1024ull * 1024 * 1024)
        std::snprintf(text, sizeof text, "%.1f MB", double(bytes) / (1024 * 1024));
    else
        std::snprintf(text, sizeof text, "%.2f GB", double(bytes) / (1024.0 * 1024 * 1024));
    return text;
}

std::string TransferJob::ProgressText(const Progress& p, uint64_t elapsedMs) {
    std::string s = ByteText(p.bytesDone) + " of " + ByteText(p.bytesTotal) + ", " +
                    std::to_string(p.filesDone) + " of " + std::to_string(p.filesTotal) + " files";
    if (elapsedMs >= 500 && p.bytesDone > 0)
        s += ", " + ByteText(p.bytesDone * 1000 / elapsedMs) + "/s";
    return s;
}

TransferJob::Progress TransferJob::Snapshot() const {
    std::lock_guard lock(m_lock);
    return m_progress;
}

TransferUi::Answer TransferJob::ConfirmReplace(const std::string& name, const std::string& existing,
                                               const std::string& incoming) {
    return m_questions.ConfirmReplace(name, existing, incoming);
}

bool TransferJob::AskContinue(const std::string& detail) {
    return m_questions.AskContinue(detail);
}

void TransferJob::ShowWait(const std::string& text) {
    std::lock_guard lock(m_lock);
    m_progress.entry = text;
}

void TransferJob::CloseWait() {
    std::lock_guard lock(m_lock);
    m_progress.entry.clear();
}

void TransferJob::Skipped(const std::string& folder, const std::string& name) {
    m_questions.Skipped(folder, name);
}

void TransferJob::FileDone(uint64_t bytes) {
    std::lock_guard lock(m_lock);
    m_progress.bytesDone += bytes;
    ++m_progress.filesDone;
}

}  // namespace hd::tools
