// The whole program on a screen driven by the test clock: start-up on a fixture Maildir, reading a
// message to its end, the reader's Inbox commands, the Inbox commands, Find, and a second
// launch run as a second process while this one runs. Each command's wiring is checked once here;
// its rules belong to the tests of its library.

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QProcess>
#include <QWidget>
#include <filesystem>
#include <memory>
#include <sstream>

#include "commands/application.h"
#include "commands/text_reading.h"
#include "harness/maildir_fixture.h"
#include "harness/screen_driver.h"
#include "platform/desktop/wake_services.h"
#include "platform/registry/registry.h"
#include "platform/ui/menu_bar.h"
#include "platform/ui/message_box.h"
#include "services/dialog.h"
#include "services/registry_key.h"
#include "services/settings.h"

namespace velora::commands {
namespace {

using namespace velora::platform;
namespace fs = std::filesystem;
using velora::testing::MaildirFixture;

class StartupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        velora::testing::GuiApplication();
        maildir_ = home_.MakeMaildir("mail");
        Add("cur/1001.M1.host:2,", "Ann Example <ann@example.org>", "Cats",
            "Fri, 04 Dec 2026 10:00:00 +0000",
            "The cat sat on the mat. The cat ran away. The end came.\r\n");
        Add("cur/1000.M2.host:2,S", "Bob Sender <bob@example.org>", "Meeting",
            "Thu, 03 Dec 2026 09:30:00 +0000", "Let us meet at noon. Bring the notes.\r\n");
        Add("cur/999.M3.host:2,", "carol@example.org", "Plans", "Wed, 02 Dec 2026 08:15:00 +0000",
            "Plans for the week.\r\n");
        services_.Get<MessageBoxServices>().service = &boxes_;
        services_.Get<WakeServices>().screenSaver = &screenSaver_;
        services_.Get<WakeServices>().soundPlayer = &sound_;
        menuBars_.popupMenuChooser = [this](const std::vector<MenuItem>&) {
            return driver_.menuChoice;
        };
    }

    void TearDown() override {
        if (app_) app_->Shutdown();
        app_.reset();
    }

    void Add(const std::string& name, const std::string& from, const std::string& subject,
             const std::string& date, const std::string& body) {
        MaildirFixture::WriteFile(maildir_ / name,
                                  MaildirFixture::Message(from, subject, date, body));
    }

    // Starts the program on the fixture store; once running, timer 8 has filled the Inbox.
    Application::Started Start(bool desktop = false) {
        StartOptions options;
        options.maildirs = {maildir_.string()};
        options.desktop = desktop;
        options.clock = std::make_unique<TestClock>();
        app_ = std::make_unique<Application>(std::move(options));
        const Application::Started started = app_->Start();
        if (started == Application::Started::Running) {  // else the screen is gone
            driver_.Drive(app_->GetScreen());
            driver_.Advance(250);
        }
        return started;
    }

    Screen& GetScreen() { return app_->GetScreen(); }
    int Count() { return app_->Inbox()->List()->GetItemCount(); }
    std::u16string SenderOf(int index) {
        std::unique_ptr<mail::MessageSummary>* summary = app_->List().summaries.Find(index);
        return summary != nullptr ? (*summary)->sender : u"<none>";
    }
    std::vector<std::string> Flags() { return MaildirFixture::Files(maildir_, "cur"); }

    ProgramServices services_;
    MenuBarServices& menuBars_ = services_.Get<MenuBarServices>();
    MaildirFixture home_;
    fs::path maildir_;
    RecordingMessageBoxes boxes_;
    RecordingScreenSaver screenSaver_;
    RecordingSoundPlayer sound_;
    velora::testing::ScreenDriver driver_;
    std::unique_ptr<Application> app_;
};

TEST_F(StartupTest, StartsOnTheInboxWithTheReaderHiddenAndTheDefaultDocumentLoaded) {
    ASSERT_EQ(Start(), Application::Started::Running);
    EXPECT_EQ(GetScreen().Top(), app_->Inbox());
    EXPECT_FALSE(IsWindowVisible(app_->Reader()));
    EXPECT_EQ(Count(), 3);
    EXPECT_EQ(SenderOf(0), u"Ann Example");  // newest first
    EXPECT_EQ(app_->GetPlayer().document.substr(0, 7), u"Velora.");
    driver_.Screenshot("inbox.png");
}

TEST_F(StartupTest, ReadsAMessageWordByWordToTheEnd) {
    ASSERT_EQ(Start(), Application::Started::Running);
    driver_.SoftKey(0);  // "Read"
    ASSERT_EQ(GetScreen().Top(), app_->Reader());
    EXPECT_EQ(app_->GetPlayer().document.substr(0, 8), u"The cat ");
    EXPECT_NE(Flags()[1].find(":2,S"), std::string::npos);  // 1001.M1 now read on disk

    driver_.Press(VK_RETURN);  // play
    driver_.Advance(700);
    driver_.Screenshot("reader_playing.png");
    for (int spent = 0; spent < 120000 && !app_->GetPlayer().atEnd; spent += 50)
        driver_.Advance(50);
    EXPECT_TRUE(app_->GetPlayer().atEnd);
}

TEST_F(StartupTest, MarkAsUnreadAndDeleteMessageFromTheReaderActOnTheRowRead) {
    ASSERT_EQ(Start(), Application::Started::Running);
    driver_.Press(VK_DOWN);  // Bob's message, read already
    driver_.SoftKey(0);
    driver_.Choose(322);  // Mark as Unread
    EXPECT_EQ(Flags()[0], "1000.M2.host:2,");

    driver_.SoftKey(0);
    driver_.Choose(321);  // Delete Message
    EXPECT_EQ(GetScreen().Top(), app_->Inbox());
    EXPECT_EQ(Flags().size(), 2u);  // moved out of the Inbox
}

TEST_F(StartupTest, InboxCommandsSortToggleAndReload) {
    ASSERT_EQ(Start(), Application::Started::Running);
    driver_.Choose(327);  // Sort by Date: oldest first
    EXPECT_EQ(SenderOf(0), u"carol@example.org");
    driver_.Press(VK_LEFT);
    driver_.Screenshot("inbox_dates.png");
    Add("new/1002.M4.host", "Dan <dan@example.org>", "Later", "Sat, 05 Dec 2026 07:00:00 +0000",
        "Hello.\r\n");
    driver_.Choose(320);  // Receive/Reload E-mail: load order again
    EXPECT_EQ(Count(), 4);
    EXPECT_EQ(SenderOf(0), u"Dan");
    driver_.Choose(321);  // Delete (selected item)
    EXPECT_EQ(Count(), 3);
}

// Clears the edit control (the Back key held), types `text` into it and ticks the boxes given,
// then presses Find.
void FillFindDialog(Screen& screen, HWND dialog, const std::u16string& text,
                    std::initializer_list<int> boxes) {
    auto* window = static_cast<services::DialogWindow*>(dialog);
    SendMessage(dialog, WM_KEYDOWN, VK_BACK, LPARAM{1} << 30);
    for (char16_t character : text) SendMessage(dialog, WM_CHAR, character, 0);
    for (int box : boxes) window->CheckButton(box, services::BST_CHECKED);
    screen.PressSoftKey(0);
}

TEST_F(StartupTest, FindWithItsOptionsFindNextAndPlayLeavingFindMode) {
    ASSERT_EQ(Start(), Application::Started::Running);
    driver_.SoftKey(0);  // "The cat sat on the mat. The cat ran away. The end came."
    reader::Player& player = app_->GetPlayer();

    // Match case: "the" only in lower case: "on the mat".
    GetScreen().SetModalDriver([&](HWND dialog) {
        driver_.Screenshot("find_dialog.png");
        FillFindDialog(GetScreen(), dialog, u"the", {services::kMatchCaseControl});
    });
    driver_.Choose(314);
    EXPECT_TRUE(app_->Reader()->State().findMode);
    EXPECT_EQ(player.markedWord, player.document.find(u"the mat"));
    driver_.Screenshot("reader_find_mode.png");

    // Find Next (the find-mode bar's left key): no further lower-case "the".
    driver_.SoftKey(0);
    ASSERT_EQ(boxes_.boxes.size(), 1u);
    EXPECT_EQ(boxes_.boxes[0].text, u"Text not found.");
    driver_.Press(VK_RETURN);
    EXPECT_FALSE(app_->Reader()->State().findMode);
}

TEST_F(StartupTest, ShutdownSavesTheSettingsAndGivesTheLightBack) {
    ASSERT_EQ(Start(), Application::Started::Running);
    driver_.SoftKey(0);
    driver_.Press(VK_LEFT);  // slower: SpeedSet + 10, saved
    const std::int32_t speed = app_->Settings().SpeedSet;
    driver_.SoftKey(0);  // "Options"
    EXPECT_TRUE(app_->Reader()->State().optionsMode);
    driver_.Screenshot("options.png");
    GetScreen().RequestShutdown();
    EXPECT_TRUE(GetScreen().QuitPosted());
    services::ReadingSettings saved;
    services::BacklightSnapshot snapshot;
    services::LoadSettings(saved, snapshot);
    EXPECT_EQ(saved.SpeedSet, speed);
    EXPECT_FALSE(BacklightHeld());
}

TEST_F(StartupTest, HomeScreenTimeoutBelowHalfAnHourEndsStartUp) {
    ASSERT_EQ(services::RegistryKey(u"ControlPanel\\Home").Write(u"Timeout", 600000),  // 10 min
              ERROR_SUCCESS);
    EXPECT_EQ(Start(), Application::Started::Ended);
    ASSERT_EQ(boxes_.boxes.size(), 1u);
}

// The desktop window's keys reach the focused dialog as text.
TEST_F(StartupTest, DesktopKeysTypeIntoTheFindDialog) {
    ASSERT_EQ(Start(true), Application::Started::Running);
    // The device screen widget opens its pop-ups as Qt menus; the test picks from them instead.
    menuBars_.popupMenuChooser = [this](const std::vector<MenuItem>&) {
        return driver_.menuChoice;
    };
    driver_.SoftKey(0);
    std::u16string typed;
    GetScreen().SetModalDriver([&](HWND dialog) {
        auto* window = static_cast<services::DialogWindow*>(dialog);
        auto press = [this](int key, const QString& text) {
            QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, text);
            QCoreApplication::sendEvent(app_->DesktopWidget(), &event);
        };
        press(Qt::Key_C, QStringLiteral("c"));
        press(Qt::Key_A, QStringLiteral("\u00e4"));
        press(Qt::Key_T, QStringLiteral("t"));
        press(Qt::Key_Backspace, QString());
        typed = window->ItemText(services::kFindTextControl);
        press(Qt::Key_F2, QString());  // Cancel
    });
    driver_.Choose(314);
    EXPECT_EQ(typed, u"c\u00e4");
    EXPECT_EQ(GetScreen().Top(), app_->Reader());
}

TEST_F(StartupTest, AStoreThatIsNotAMaildirEndsStartUpWithAReason) {
    maildir_ = home_.Root() / "missing";
    EXPECT_EQ(Start(), Application::Started::Ended);
    EXPECT_NE(app_->StoreError().find("missing"), std::string::npos);
    app_->Shutdown();
    // The lock is free again: the next start runs.
    maildir_ = home_.Root() / "mail";
    EXPECT_EQ(Start(), Application::Started::Running);
}

// `velora read`: the reader alone finds as the whole program does, and says that it has no
// message to delete.
TEST_F(StartupTest, ReadingATextAloneFindsAndHasNoMessageToDelete) {
    const std::unique_ptr<Screen> screen = driver_.MakeScreen();
    TextReading reading(*screen, u"The cat sat. The dog ran.", u"");
    driver_.Choose(321);
    ASSERT_EQ(boxes_.boxes.size(), 1u);
    EXPECT_EQ(boxes_.boxes[0].text, kNoMessageToDelete);
    screen->SetModalDriver([&](HWND dialog) { FillFindDialog(*screen, dialog, u"dog", {}); });
    driver_.Choose(314);
    EXPECT_TRUE(reading.Reader().State().findMode);
    EXPECT_EQ(reading.GetPlayer().markedWord, reading.GetPlayer().document.find(u"dog"));
}

TEST_F(StartupTest, AStoreErrorIsShownInAMessageBoxTooWithADisplay) {
    std::ostringstream err;
    EXPECT_EQ(RunProgram({(home_.Root() / "missing").string()}, 3, err), 1);
    EXPECT_NE(err.str().find("missing"), std::string::npos);
    ASSERT_EQ(boxes_.boxes.size(), 1u);
    EXPECT_EQ(boxes_.boxes[0].caption, u"Error!!!");
}

// A second launch, run as a process of its own, while this one runs with the About dialog open
// over its Inbox.
TEST_F(StartupTest, SecondLaunchHandsOverAndTheFirstReloadsOnActivation) {
    ASSERT_EQ(Start(), Application::Started::Running);
    Add("new/1003.M5.host", "Eve <eve@example.org>", "New", "Sat, 05 Dec 2026 12:00:00 +0000",
        "Fresh mail.\r\n");
    int exitCode = -1;
    std::int32_t reloadWritten = 0;
    std::intptr_t dialogEnded = -1;
    GetScreen().SetModalDriver([&](HWND dialog) {
        auto* window = static_cast<services::DialogWindow*>(dialog);
        QProcess second;
        second.setProgram(QString::fromUtf8(VELORA_BINARY));
        second.setArguments(
            {QStringLiteral("--maildir"), QString::fromStdString(maildir_.string())});
        second.start();
        ASSERT_TRUE(second.waitForFinished(30000));
        exitCode = second.exitCode();
        services::ReadReloadFlag(reloadWritten);
        // The request reaches this instance through its event loop.
        for (int round = 0; round < 200 && !window->Ended(); ++round) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        }
        if (window->Ended()) dialogEnded = window->Result();
    });
    driver_.Choose(301);
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(reloadWritten, 1);
    EXPECT_EQ(dialogEnded, 0);       // cancelled as its blank soft key would
    EXPECT_EQ(SenderOf(0), u"Eve");  // reloaded on activation
}

}  // namespace
}  // namespace velora::commands
