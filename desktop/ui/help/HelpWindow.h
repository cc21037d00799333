// The help window: the program's HTML help pages (built into the program as a
// Qt resource, so they are found wherever it is installed) in a browser with
// Back, Forward and Contents. One window at a time, reused for every topic.
// User-interface thread; it only reads the pages.
#pragma once

#include <QUrl>
#include <QWidget>

class QTextBrowser;

namespace hd::desktop {

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Shows the topic ("Options", "Explore", "DOS", ...; an unknown one shows
    // the contents) in the help window, creating it for parent when none is
    // open. Returns the window.
    static HelpWindow* ShowTopic(const QString& topic, QWidget* parent = nullptr);
    // The window currently open, if any.
    static HelpWindow* Current();

    // The page address of a topic; an empty URL when the program has no such page.
    static QUrl TopicUrl(const QString& topic);
    void Open(const QString& topic);
    QUrl Source() const;
    QTextBrowser* Browser() const { return m_browser; }

private:
    QTextBrowser* m_browser;
};

}  // namespace hd::desktop
