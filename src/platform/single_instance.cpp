#include "platform/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

namespace velora::platform {
namespace {

constexpr char kRequestForward[] = "forward\n";
// sockaddr_un holds 108 bytes with the terminator; keep a margin.
constexpr int kMaxSocketPath = 100;

}  // namespace

SingleInstance::SingleInstance(QString folder) : folder_(std::move(folder)) {}

SingleInstance::~SingleInstance() {
    if (server_) server_->close();
    if (lock_) lock_->unlock();
}

SingleInstance::Claim SingleInstance::TryClaim() {
    if (!QDir().mkpath(folder_)) return Claim::Failed;
    lock_ = std::make_unique<QLockFile>(QDir(folder_).filePath(QStringLiteral("velora.lock")));
    // A stale lock is one whose owner no longer runs; QLockFile detects that by the process id,
    // so the time-based staleness is switched off (a long-running copy is never stale).
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(0)) return Claim::First;
    const QLockFile::LockError error = lock_->error();
    lock_.reset();
    return error == QLockFile::LockFailedError ? Claim::AlreadyRunning : Claim::Failed;
}

QString SingleInstance::ServerName() const {
    const QString path = QDir(folder_).absoluteFilePath(QStringLiteral("velora.socket"));
    if (path.toLocal8Bit().size() <= kMaxSocketPath) return path;
    const QByteArray hash =
        QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QStringLiteral("velora-") + QString::fromLatin1(hash);
}

bool SingleInstance::Listen(std::function<void()> bringForward) {
    bringForward_ = std::move(bringForward);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    const QString name = ServerName();
    // Holding the lock proves that no live copy listens: a socket file left by a copy that died
    // is removed.
    QLocalServer::removeServer(name);
    if (!server_->listen(name)) {
        server_.reset();
        return false;
    }
    QObject::connect(server_.get(), &QLocalServer::newConnection, server_.get(),
                     [this] { ReadRequests(); });
    return true;
}

void SingleInstance::ReadRequests() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto handle = [this, socket] {
            while (socket->canReadLine()) {
                if (socket->readLine() == kRequestForward && bringForward_) bringForward_();
            }
        };
        QObject::connect(socket, &QLocalSocket::readyRead, socket, handle);
        handle();
    }
}

bool SingleInstance::AskRunningInstanceForward(int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(ServerName());
    if (!socket.waitForConnected(timeoutMs)) return false;
    socket.write(kRequestForward);
    const bool written = socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(timeoutMs);
    return written;
}

}  // namespace velora::platform
