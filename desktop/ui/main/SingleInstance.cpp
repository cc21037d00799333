#include "desktop/ui/main/SingleInstance.h"

#include <unistd.h>

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>

#include "common/Log.h"

namespace hd::desktop {

namespace {
constexpr int kMaxRequest = 64;  // "activate\n" and "quit\n" are all we read
}

SingleInstance::SingleInstance(const QString& settingsFile, QObject* parent)
    : QObject(parent), m_name(NameFor(settingsFile)) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::NameFor(const QString& settingsFile) {
    const QByteArray hash =
        QCryptographicHash::hash(settingsFile.toUtf8(), QCryptographicHash::Sha1).toHex().left(12);
    return QString("handrel-%1-%2").arg(uint(getuid())).arg(QString::fromLatin1(hash));
}

bool SingleInstance::Send(const QString& request, int waitMs) {
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(waitMs)) return false;
    socket.write((request + "\n").toUtf8());
    const bool written = socket.waitForBytesWritten(waitMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(waitMs);
    return written;
}

bool SingleInstance::Listen() {
    if (m_server) return true;
    // Asked first: listening would silently replace a live instance's socket.
    {
        QLocalSocket probe;
        probe.connectToServer(m_name);
        if (probe.waitForConnected(200)) return false;
    }
    // What is left is a socket of a crashed instance, which answers nobody.
    QLocalServer::removeServer(m_name);
    auto* server = new QLocalServer(this);
    if (!server->listen(m_name)) {
        log::Forced("SingleInstance::Listen:Error listening on %s: %s",
                    m_name.toLocal8Bit().constData(),
                    server->errorString().toLocal8Bit().constData());
        delete server;
        return false;
    }
    m_server = server;
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::OnConnection);
    return true;
}

void SingleInstance::OnConnection() {
    while (QLocalSocket* s = m_server->nextPendingConnection()) {
        QPointer<QLocalSocket> socket(s);
        connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
        connect(s, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket || !socket->canReadLine()) {
                if (socket && socket->bytesAvailable() > kMaxRequest) socket->abort();
                return;
            }
            const QByteArray line = socket->readLine(kMaxRequest).trimmed();
            if (line == "activate") emit activateRequested();
            if (line == "quit") emit quitRequested();
        });
    }
}

}  // namespace hd::desktop
