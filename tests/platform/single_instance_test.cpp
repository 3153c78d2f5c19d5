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
    for (int round = 0; round < 50 && forwards < 1; ++round) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    EXPECT_EQ(forwards, 1);
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
