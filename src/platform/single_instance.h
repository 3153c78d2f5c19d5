#pragma once
// One running copy of the program per settings folder: the stand-in for the phone's named mutex
// "_VLREMAIL_EXE_MUTEX_" and its FindWindow hand-over.
//
// The first copy holds a lock file in the folder and listens on a local socket beside it. A later
// copy finds the lock held, sends the running copy one line ("forward") and ends; the running copy
// then brings its Inbox window forward and cancels what lies over it. The later copy never waits
// for an answer: the line sits in the socket until the running copy's event loop reads it.
//
// A lock left behind by a copy that died is taken over (QLockFile checks the owner's process id).

#include <QString>
#include <functional>
#include <memory>

class QLocalServer;
class QLockFile;

namespace velora::platform {

class SingleInstance {
  public:
    // `folder` is where the lock file and the socket live (the settings folder); it is created
    // when missing.
    explicit SingleInstance(QString folder);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    enum class Claim {
        First,           // this copy holds the lock and is the running instance
        AlreadyRunning,  // another live copy holds it
        Failed,          // the folder or the lock file cannot be made
    };
    // Tries the lock once, without waiting.
    Claim TryClaim();

    // For the running instance: listens for later copies; `bringForward` runs on the event loop
    // once per "forward" request received. Returns false when the socket cannot be opened (the
    // program still runs; later copies then only write the reload request).
    bool Listen(std::function<void()> bringForward);

    // For a later copy: sends "forward" to the running instance. Returns false when no instance
    // listens (it may still be starting). Waits at most `timeoutMs` for the connection and the
    // write, never for an answer.
    bool AskRunningInstanceForward(int timeoutMs = 1000);

    // The socket's address, derived from the folder (a path when it is short enough for a Unix
    // socket, else a name in the runtime folder made from a hash of the folder).
    QString ServerName() const;

  private:
    void ReadRequests();

    QString folder_;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<QLocalServer> server_;
    std::function<void()> bringForward_;
};

}  // namespace velora::platform
