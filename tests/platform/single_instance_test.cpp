#include "platform/single_instance.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

namespace velora::platform {
namespace {

void EnsureApplication() {
    static int argc = 1;
    static char name[] = "velora_tests_platform";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() == nullptr) new QCoreApplication(argc, argv);
}

class SingleInstanceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        EnsureApplication();
        ASSERT_TRUE(folder_.isValid());
    }
    QString Folder() const { return folder_.path() + QStringLiteral("/home"); }

    QTemporaryDir folder_;
};

TEST_F(SingleInstanceTest, SecondClaimSeesTheFirstAndItsRequestArrives) {
    SingleInstance first(Folder());
    ASSERT_EQ(first.TryClaim(), SingleInstance::Claim::First);
    int forwards = 0;
    ASSERT_TRUE(first.Listen([&forwards] { ++forwards; }));

    SingleInstance second(Folder());
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

TEST_F(SingleInstanceTest, LockIsFreeAgainAfterTheFirstEnds) {
    {
        SingleInstance first(Folder());
        ASSERT_EQ(first.TryClaim(), SingleInstance::Claim::First);
        ASSERT_TRUE(first.Listen([] {}));
    }
    SingleInstance next(Folder());
    EXPECT_EQ(next.TryClaim(), SingleInstance::Claim::First);
    EXPECT_TRUE(next.Listen([] {}));
}

TEST_F(SingleInstanceTest, NobodyListeningIsReportedNotAwaited) {
    SingleInstance lone(Folder());
    EXPECT_FALSE(lone.AskRunningInstanceForward(100));
}

TEST_F(SingleInstanceTest, StaleSocketFileDoesNotBlockListening) {
    QDir().mkpath(Folder());
    QFile stale(QDir(Folder()).filePath(QStringLiteral("velora.socket")));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.close();
    SingleInstance first(Folder());
    ASSERT_EQ(first.TryClaim(), SingleInstance::Claim::First);
    EXPECT_TRUE(first.Listen([] {}));
}

TEST_F(SingleInstanceTest, FolderThatCannotBeMadeFails) {
    QFile blocker(folder_.path() + QStringLiteral("/file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    SingleInstance instance(folder_.path() + QStringLiteral("/file/home"));
    EXPECT_EQ(instance.TryClaim(), SingleInstance::Claim::Failed);
}

TEST_F(SingleInstanceTest, LongFolderGetsAHashedName) {
    const QString deep = Folder() + QStringLiteral("/") + QString(120, QLatin1Char('d'));
    SingleInstance instance(deep);
    EXPECT_TRUE(instance.ServerName().startsWith(QStringLiteral("velora-")));
    EXPECT_EQ(instance.ServerName(), SingleInstance(deep).ServerName());
}

}  // namespace
}  // namespace velora::platform
