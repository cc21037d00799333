#include "desktop/ui/explorer/TransferProgressDialog.h"

#include <QEventLoop>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "common/Log.h"
#include "desktop/ui/explorer/ReplaceDialog.h"

namespace hd::desktop {

namespace {
constexpr int kTickMs = 100;
// The bar in steps of this many units, whatever the byte count.
constexpr int kBarSteps = 1000;
// A run shorter than this shows no window.
constexpr int kShowAfterMs = 400;
}  // namespace

TransferProgressDialog::TransferProgressDialog(DesktopChannel& hc, tools::TransferList list,
                                               const std::string& destFolder, QWidget* owner)
    : QDialog(owner),
      m_job(std::make_unique<tools::TransferJob>(hc, *this, std::move(list), destFolder)),
      m_entry(new QLabel),
      m_counts(new QLabel),
      m_bar(new QProgressBar),
      m_cancel(new QPushButton("Cancel")),
      m_tick(new QTimer(this)) {
    setObjectName("TransferProgress");
    setWindowTitle("Handrel Explore");
    setModal(true);
    m_entry->setObjectName("entry");
    m_entry->setTextFormat(Qt::PlainText);
    m_entry->setMinimumWidth(380);
    m_counts->setObjectName("counts");
    m_bar->setRange(0, 0);  // busy until the total is known
    m_cancel->setObjectName("cancel");
    connect(m_cancel, &QPushButton::clicked, this, &TransferProgressDialog::CancelJob);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_entry);
    layout->addWidget(m_bar);
    layout->addWidget(m_counts);
    layout->addWidget(m_cancel, 0, Qt::AlignRight);
    m_entry->setText(tools::kWaitPrefix);
    m_tick->setInterval(kTickMs);
    connect(m_tick, &QTimer::timeout, this, &TransferProgressDialog::Update);
}

TransferProgressDialog::~TransferProgressDialog() {
    // A question may be waiting for this thread: the job must end first.
    m_job->Cancel();
    m_job->Join();
}

bool TransferProgressDialog::Run() {
    m_clock.start();
    m_tick->start();
    m_job->Start([this] { QMetaObject::invokeMethod(this, &TransferProgressDialog::Finished); });
    QEventLoop quiet;
    connect(this, &TransferProgressDialog::ended, &quiet, &QEventLoop::quit);
    QTimer::singleShot(kShowAfterMs, &quiet, &QEventLoop::quit);
    quiet.exec(QEventLoop::ExcludeUserInputEvents);
    if (!m_ended) exec();
    m_job->Join();
    m_tick->stop();
    return m_job->Succeeded();
}

bool TransferProgressDialog::RunAll(DesktopChannel& hc,
                                    const std::vector<tools::TransferList>& lists,
                                    const std::string& folder, QWidget* owner, QString& summary) {
    for (const tools::TransferList& list : lists) {
        TransferProgressDialog progress(hc, list, folder, owner);
        const bool done = progress.Run();
        summary = progress.Summary();
        if (!done) return false;
    }
    return true;
}

void TransferProgressDialog::Update() {
    const tools::TransferJob::Progress p = m_job->Snapshot();
    if (!m_job->WasCancelled())
        m_entry->setText(QString::fromStdString(p.entry.empty() ? tools::kWaitPrefix : p.entry));
    if (p.measuring) return;
    const uint64_t total = p.bytesTotal ? p.bytesTotal : p.filesTotal;
    const uint64_t done = p.bytesTotal ? p.bytesDone : p.filesDone;
    m_bar->setRange(0, kBarSteps);
    m_bar->setValue(total ? int(done * kBarSteps / total) : kBarSteps);
    m_counts->setText(
        QString::fromStdString(tools::TransferJob::ProgressText(p, uint64_t(m_clock.elapsed()))));
}

void TransferProgressDialog::Finished() {
    Update();
    const tools::TransferJob::Progress p = m_job->Snapshot();
    if (m_job->WasCancelled()) {
        m_summary = QString("Cancelled: %1 of %2 files done (%3 of %4)")
                        .arg(p.filesDone)
                        .arg(p.filesTotal)
                        .arg(QString::fromStdString(tools::TransferJob::ByteText(p.bytesDone)))
                        .arg(QString::fromStdString(tools::TransferJob::ByteText(p.bytesTotal)));
    } else {
        m_summary = QString("%1 of %2 files done").arg(p.filesDone).arg(p.filesTotal);
    }
    m_ended = true;
    emit ended();
    if (isVisible()) accept();
}

void TransferProgressDialog::CancelJob() {
    m_job->Cancel();
    m_cancel->setEnabled(false);
    m_entry->setText("Cancelling after the file in work ...");
}

void TransferProgressDialog::reject() {
    // Closing the window cancels; it goes once the job has stopped.
    CancelJob();
}

tools::TransferUi::Answer TransferProgressDialog::ConfirmReplace(const std::string& name,
                                                                 const std::string& existing,
                                                                 const std::string& incoming) {
    Answer answer = Cancel;
    QMetaObject::invokeMethod(
        this,
        [&] {
            ReplaceDialog dialog(QString::fromStdString(name), QString::fromStdString(existing),
                                 QString::fromStdString(incoming),
                                 parentWidget() ? parentWidget() : this);
            answer = Answer(dialog.exec());
        },
        Qt::BlockingQueuedConnection);
    return answer;
}

bool TransferProgressDialog::AskContinue(const std::string& detail) {
    bool goOn = false;
    QMetaObject::invokeMethod(
        this,
        [&] {
            QMessageBox box(QMessageBox::Critical, "Handrel Explore", tools::kErrorQuestion,
                            QMessageBox::Yes | QMessageBox::No,
                            parentWidget() ? parentWidget() : this);
            box.setObjectName("ErrorQuestion");
            box.setDetailedText(QString::fromStdString(detail));
            goOn = box.exec() == QMessageBox::Yes;
        },
        Qt::BlockingQueuedConnection);
    return goOn;
}

void TransferProgressDialog::Skipped(const std::string& folder, const std::string& name) {
    log::Forced("TransferProgress::Skipped:Error \"%s\" in %s has a name that is not safe here",
                name.c_str(), folder.c_str());
}

}  // namespace hd::desktop
