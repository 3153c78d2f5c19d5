#include "platform/desktop/single_instance.h"

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <filesystem>

#include "platform/desktop/runtime_folder.h"

namespace velora::platform {
namespace {

constexpr char kRequestForward[] = "forward\n";

// The settings folder as one path names it however it is reached (links resolved as far as the
// folder exists), hashed to a short file name.
QString InstanceName(const QString& settingsFolder) {
    std::error_code error;
    std::filesystem::path folder = std::filesystem::weakly_canonical(
        std::filesystem::path(settingsFolder.toStdString()), error);
    if (error) folder = std::filesystem::absolute(settingsFolder.toStdString(), error);
    const QByteArray hash = QCryptographicHash::hash(QByteArray::fromStdString(folder.string()),
                                                     QCryptographicHash::Sha1);
    return QStringLiteral("velora-") + QString::fromLatin1(hash.toHex().left(16));
}

}  // namespace

SingleInstance::SingleInstance(QString settingsFolder, std::optional<QString> runtimeFolder)
    : settingsFolder_(std::move(settingsFolder)), runtimeFolder_(std::move(runtimeFolder)) {}

SingleInstance::~SingleInstance() {
    if (server_) server_->close();
    if (lock_) lock_->unlock();
}

SingleInstance::Claim SingleInstance::TryClaim() {
    std::string reason;
    std::optional<std::filesystem::path> folder;
    if (runtimeFolder_) {
        folder = runtimeFolder_->toStdString();
        reason = CheckPrivateFolder(*folder);
        if (!reason.empty()) folder.reset();
    } else {
        folder = UserRuntimeFolder(reason);
    }
    if (!folder) {
        failureReason_ = QString::fromStdString(reason);
        return Claim::Failed;
    }
    baseName_ =
        QString::fromStdString((*folder / InstanceName(settingsFolder_).toStdString()).string());
    lock_ = std::make_unique<QLockFile>(baseName_ + QStringLiteral(".lock"));
    // A stale lock is one whose owner no longer runs; QLockFile detects that by the process id,
    // so the time-based staleness is switched off (a long-running copy is never stale).
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(0)) return Claim::First;
    const QLockFile::LockError error = lock_->error();
    lock_.reset();
    if (error == QLockFile::LockFailedError) return Claim::AlreadyRunning;
    failureReason_ = baseName_ + QStringLiteral(".lock cannot be made");
    return Claim::Failed;
}

QString SingleInstance::ServerName() const {
    return baseName_.isEmpty() ? QString() : baseName_ + QStringLiteral(".socket");
}

bool SingleInstance::Listen(std::function<void()> bringForward) {
    if (!lock_) return false;
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
    if (baseName_.isEmpty()) return false;
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
