#include "desktop/ui/help/HelpWindow.h"

#include <QFile>
#include <QPointer>
#include <QTextBrowser>
#include <QToolBar>
#include <QVBoxLayout>

// Resources of a static library are registered by name, outside any namespace.
static void InitHelpResource() {
    Q_INIT_RESOURCE(help);
}

namespace hd::desktop {

namespace {

QPointer<HelpWindow> g_current;
const char* kIndex = "index";

}  // namespace

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window), m_browser(new QTextBrowser) {
    InitHelpResource();
    setObjectName("Help");
    setWindowTitle("Handrel Help");
    m_browser->setObjectName("browser");
    m_browser->setOpenExternalLinks(true);
    auto* bar = new QToolBar;
    QAction* back = bar->addAction("Back", m_browser, &QTextBrowser::backward);
    QAction* forward = bar->addAction("Forward", m_browser, &QTextBrowser::forward);
    bar->addAction("Contents", this, [this] { Open(kIndex); });
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = m_browser->documentTitle();
        setWindowTitle(title.isEmpty() ? "Handrel Help" : "Handrel Help - " + title);
    });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(m_browser);
    resize(640, 560);
}

QUrl HelpWindow::TopicUrl(const QString& topic) {
    InitHelpResource();
    const QString path = ":/help/" + topic + ".html";
    if (topic.isEmpty() || topic.contains('/') || !QFile::exists(path)) return {};
    return QUrl("qrc" + path);
}

void HelpWindow::Open(const QString& topic) {
    QUrl url = TopicUrl(topic);
    if (url.isEmpty()) url = TopicUrl(kIndex);
    m_browser->setSource(url);
}

QUrl HelpWindow::Source() const {
    return m_browser->source();
}

HelpWindow* HelpWindow::Current() {
    return g_current;
}

HelpWindow* HelpWindow::ShowTopic(const QString& topic, QWidget* parent) {
    if (!g_current) {
        g_current = new HelpWindow(parent);
        g_current->setAttribute(Qt::WA_DeleteOnClose);
    } else if (g_current->parentWidget() != parent) {
        // A modal dialog asking for help blocks every window but its own children.
        g_current->setParent(parent, Qt::Window);
    }
    g_current->Open(topic);
    g_current->show();
    g_current->raise();
    g_current->activateWindow();
    return g_current;
}

}  // namespace hd::desktop
