// SingleInstance: the program's local socket, through which a second start
// reaches the running one: "activate" brings its window to the front (one
// instance only, `MultiInst` 0) and "quit" ends it (the -d start). The name
// is per user and per settings file, so separate stores run side by side.
// User-interface thread; owned by the program's start-up code. It never
// removes a socket that a live instance still answers on.
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace hd::desktop {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& settingsFile, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Sends a request to the running instance; false when none answers.
    bool Send(const QString& request, int waitMs = 1000);
    // Starts answering; false when another live instance holds the name.
    bool Listen();
    const QString& Name() const { return m_name; }

    static QString NameFor(const QString& settingsFile);

signals:
    void activateRequested();
    void quitRequested();

private:
    void OnConnection();

    QString m_name;
    QLocalServer* m_server = nullptr;
};

}  // namespace hd::desktop
