#include "platform/desktop/single_instance.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

#include "harness/gui_application.h"

namespace velora::platform {
namespace {

class SingleInstanceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::GuiApplication();
        ASSERT_TRUE(folder_.isValid());
    }
    QString Folder() const { return folder_.path() + QStringLiteral("/home"); }
    QString Runtime() const { return folder_.path(); }

    QTemporaryDir folder_;
};

TEST_F(SingleInstanceTest, SecondClaimSeesTheFirstAndItsRequestArrives) {
    SingleInstance first(Folder(), Runtime());
    ASSERT_EQ(first.TryClaim(), SingleInstance::Claim::First);
    int forwards = 0;
    ASSERT_TRUE(first.Listen([&forwards] { ++forwards; }));

    SingleInstance second(Folder(), Runtime());
    EXPECT_EQ(second.TryClaim(), SingleInstance::Claim::AlreadyRunning);
    EXPECT_TRUE(second.AskRunningInstanceForward());
    EXPECT_TRUE(second.AskRunningInstanceForward());
    // Nothing happens until the running copy's event loop reads the socket.
    EXPECT_EQ(forwards, 0);
    for (int round = 0; round < 50 && forwards < 2; ++round) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    EXPECT_EQ(forwards, 2);
}

// The lock is free again once the first copy ends, and a socket file it left does not block
// the next one's listening.
TEST_F(SingleInstanceTest, LockAndSocketAreFreeAgainAfterTheFirstEnds) {
    QString socket;
    {
        SingleInstance first(Folder(), Runtime());
        ASSERT_EQ(first.TryClaim(), SingleInstance::Claim::First);
        ASSERT_TRUE(first.Listen([] {}));
        socket = first.ServerName();
    }
    QFile stale(socket);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
    SingleInstance next(Folder(), Runtime());
    EXPECT_EQ(next.TryClaim(), SingleInstance::Claim::First);
    EXPECT_TRUE(next.Listen([] {}));
}

TEST_F(SingleInstanceTest, NobodyListeningIsReportedNotAwaited) {
    SingleInstance lone(Folder(), Runtime());
    EXPECT_FALSE(lone.AskRunningInstanceForward(100));
}

// The settings folder only names the instance: one that cannot be made (read-only, or below a
// file) still gets its lock, and another folder is another instance.
TEST_F(SingleInstanceTest, EachSettingsFolderIsOneInstanceWhetherOrNotItCanBeMade) {
    QFile blocker(folder_.path() + QStringLiteral("/file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    SingleInstance unmakeable(folder_.path() + QStringLiteral("/file/home"), Runtime());
    EXPECT_EQ(unmakeable.TryClaim(), SingleInstance::Claim::First);
    SingleInstance other(Folder(), Runtime());
    EXPECT_EQ(other.TryClaim(), SingleInstance::Claim::First);
}

TEST_F(SingleInstanceTest, ARuntimeFolderThatIsALinkIsRefused) {
    const QString link = folder_.path() + QStringLiteral("/link");
    ASSERT_TRUE(QFile::link(Runtime(), link));
    SingleInstance instance(Folder(), link);
    EXPECT_EQ(instance.TryClaim(), SingleInstance::Claim::Failed);
    EXPECT_FALSE(instance.FailureReason().isEmpty());
}

}  // namespace
}  // namespace velora::platform
