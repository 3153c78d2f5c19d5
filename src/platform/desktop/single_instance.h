#pragma once
// One running copy of the program per settings folder: the stand-in for the phone's named mutex
// "_VLREMAIL_EXE_MUTEX_" and its FindWindow hand-over.
//
// The first copy holds a lock file and listens on a local socket, both in the user's runtime
// folder (runtime_folder.h) under a name made from the settings folder, so that a settings folder
// that cannot be written (read-only, on a full disk) does not stop the program. A later copy finds
// the lock held, sends the running copy one line ("forward") and ends; the running copy then
// brings its Inbox window forward and cancels what lies over it. The later copy never waits for an
// answer: the line sits in the socket until the running copy's event loop reads it.
//
// A lock left behind by a copy that died is taken over (QLockFile checks the owner's process id).

#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QLocalServer;
class QLockFile;

namespace velora::platform {

class SingleInstance {
  public:
    // One instance per `settingsFolder`; the lock and the socket live in `runtimeFolder`, or in
    // the user's runtime folder when none is given.
    explicit SingleInstance(QString settingsFolder, std::optional<QString> runtimeFolder = {});
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    enum class Claim {
        First,           // this copy holds the lock and is the running instance
        AlreadyRunning,  // another live copy holds it
        Failed,          // no private runtime folder, or the lock file cannot be made
    };
    // Tries the lock once, without waiting.
    Claim TryClaim();
    // Why TryClaim failed, for the warning.
    const QString& FailureReason() const { return failureReason_; }

    // For the running instance: listens for later copies; `bringForward` runs on the event loop
    // once per "forward" request received. Returns false when the socket cannot be opened (the
    // program still runs; later copies then only write the reload request).
    [[nodiscard]] bool Listen(std::function<void()> bringForward);

    // For a later copy: sends "forward" to the running instance. Returns false when no instance
    // listens (it may still be starting). Waits at most `timeoutMs` for the connection and the
    // write, never for an answer.
    [[nodiscard]] bool AskRunningInstanceForward(int timeoutMs = 1000);

    // The socket's path: "velora-HASH.socket" in the runtime folder, HASH made from the settings
    // folder's canonical path. Empty until TryClaim found the runtime folder.
    QString ServerName() const;

  private:
    void ReadRequests();

    QString settingsFolder_;
    std::optional<QString> runtimeFolder_;
    QString baseName_;  // the runtime folder's path and "velora-HASH"
    QString failureReason_;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<QLocalServer> server_;
    std::function<void()> bringForward_;
};

}  // namespace velora::platform
