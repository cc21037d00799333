// The progress window of one transfer run: it starts a TransferJob, shows the
// entry in work, bytes and files done of the total and the rate, and offers a
// Cancel that stops after the file in work. It is the job's TransferUi: the
// replace and error questions, asked on the job's thread, are shown here on
// the user-interface thread (modal, owned by the explorer) while the job
// waits for the answer. User-interface thread; made on the stack per run.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <memory>
#include <vector>

#include "desktop/session/DesktopChannel.h"
#include "desktop/tools/transfer/TransferJob.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace hd::desktop {

class TransferProgressDialog : public QDialog, public tools::TransferUi {
    Q_OBJECT
public:
    // owner: the window the questions belong to.
    TransferProgressDialog(DesktopChannel& hc, tools::TransferList list,
                           const std::string& destFolder, QWidget* owner);
    ~TransferProgressDialog() override;

    // Runs the job to its end; the window comes up (modal) once the run has
    // lasted a moment, so that a short one does not flash it. Meanwhile the
    // user's input waits. The engine's result.
    bool Run();
    // Runs the lists one after the other into folder, each behind its own
    // window; stops at the first that is cancelled or stopped (false). The
    // last window's summary goes to summary.
    static bool RunAll(DesktopChannel& hc, const std::vector<tools::TransferList>& lists,
                       const std::string& folder, QWidget* owner, QString& summary);
    // What was done, for the owner's status line ("Cancelled: 2 of 5 files ...").
    QString Summary() const { return m_summary; }
    // The list after the run (a delete run empties it).
    const tools::TransferList& List() const { return m_job->List(); }
    void CancelJob();

    // The job's questions, on its thread.
    Answer ConfirmReplace(const std::string& name, const std::string& existing,
                          const std::string& incoming) override;
    bool AskContinue(const std::string& detail) override;
    void ShowWait(const std::string&) override {}
    void CloseWait() override {}
    void Skipped(const std::string& folder, const std::string& name) override;

signals:
    void ended();

protected:
    void reject() override;

private:
    void Update();
    void Finished();

    std::unique_ptr<tools::TransferJob> m_job;
    QLabel* m_entry;
    QLabel* m_counts;
    QProgressBar* m_bar;
    QPushButton* m_cancel;
    QTimer* m_tick;
    QElapsedTimer m_clock;
    QString m_summary;
    bool m_ended = false;
};

}  // namespace hd::desktop
