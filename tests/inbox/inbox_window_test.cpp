#include "inbox/inbox_window.h"

#include <gtest/gtest.h>

#include "harness/screen_driver.h"
#include "harness/temporary_home.h"
#include "platform/gdi/recording_painter.h"
#include "platform/ui/menu_bar.h"
#include "platform/ui/message_box.h"
#include "platform/ui/screen.h"
#include "resources/program_resources.h"
#include "services/settings.h"

namespace velora::inbox {
namespace {

using namespace velora::platform;

// The Inbox list as plain rows, with a log of what the window asked for.
class FakeMessages : public InboxMessages {
  public:
    int Count() const override { return static_cast<int>(rows.size()); }
    InboxRow Row(int index) const override { return rows.at(static_cast<std::size_t>(index)); }
    void Reload() override {
        log.push_back("Reload");
        rows = reloadRows;
    }
    void SetRead(int index, bool read) override {
        log.push_back("SetRead " + std::to_string(index) + " " + std::to_string(read));
        rows.at(static_cast<std::size_t>(index)).read = read;
    }
    void SetDownloadMark(int index, bool marked) override {
        log.push_back("SetDownloadMark " + std::to_string(index) + " " + std::to_string(marked));
        rows.at(static_cast<std::size_t>(index)).markedForDownload = marked;
    }
    void Delete(int index) override {
        log.push_back("Delete " + std::to_string(index));
        rows.erase(rows.begin() + index);
    }
    void Sort(SortKey key) override {
        log.push_back(key == SortKey::Sender ? "Sort sender"
                      : key == SortKey::Read ? "Sort read"
                                             : "Sort date");
    }
    void LoadMessageDocument(int index) override {
        log.push_back("LoadMessageDocument " + std::to_string(index));
    }
    void LoadDefaultDocument() override { log.push_back("LoadDefaultDocument"); }

    std::vector<InboxRow> rows;
    std::vector<InboxRow> reloadRows;
    std::vector<std::string> log;
};

InboxRow MakeRow(std::u16string sender, bool read, bool attachments = false) {
    InboxRow row;
    row.sender = std::move(sender);
    row.subject = u"Subject of " + row.sender;
    row.read = read;
    row.hasAttachments = attachments;
    row.dateText = u"05/12/2026 \u2022 ";
    row.timeText = u"14:03 \u2022 ";
    return row;
}

// A stand-in for the Reader window: a plain full-screen window.
class ReaderStandIn : public Window {
  public:
    explicit ReaderStandIn(Screen& screen) : Window(screen, u"Velora Message") {}
};

class InboxWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        velora::testing::GuiApplication();
        services_.Get<MessageBoxServices>().service = &boxes_;
        menuBars_.popupMenuChooser = [this](const std::vector<MenuItem>&) {
            return driver_.menuChoice;
        };
        screen_ = driver_.MakeScreen();
        reader_ = std::make_unique<ReaderStandIn>(*screen_);
    }
    void TearDown() override {
        inbox_.reset();
        reader_.reset();
        screen_.reset();
        services::WriteReloadFlag(0);
    }

    // Creates and shows the window with `rows` loaded after its creation, as start-up does, and
    // lets timer 8 fire.
    void Start(std::vector<InboxRow> rows) {
        const auto log = [this](std::string entry) {
            return [this, entry] { readerLog_.push_back(entry); };
        };
        ReaderLink link;
        link.readerWindow = reader_.get();
        link.stopPlayback = log("stop");
        link.requestBacklight = [this](std::int32_t on) {
            readerLog_.push_back("backlight " + std::to_string(on));
        };
        link.showCurrentFrame = [this](HWND target) {
            readerLog_.push_back(target == reader_.get() ? "frame reader" : "frame inbox");
        };
        link.hideKeyHelp = log("help hidden");
        link.optionsMode = [this] { return optionsMode_; };
        link.collectWordFontAgain = log("font");
        link.quit = log("quit");
        link.firstActivation = &firstActivation_;
        inbox_ =
            std::make_unique<InboxWindow>(*screen_, resources::ProgramInstance(), messages_, link,
                                          [this](HWND) { readerLog_.push_back("about"); });
        inbox_->Create();
        messages_.rows = std::move(rows);
        ShowWindow(inbox_.get(), SW_SHOW);
        driver_.Advance(kListTimerMs);
        readerLog_.clear();
        messages_.log.clear();
    }

    void Command(UINT id) { SendMessage(inbox_.get(), WM_COMMAND, id, 0); }
    int Mark() { return inbox_->List()->GetSelectionMark(); }

    // The texts of the rows drawn by a full repaint of the window.
    std::vector<std::u16string> PaintedTexts() {
        PaintLog log;
        screen_->SetPaintRecorder(&log);
        InvalidateRect(inbox_.get(), nullptr, TRUE);
        UpdateWindow(inbox_.get());
        screen_->SetPaintRecorder(nullptr);
        paintLog_ = log;
        return log.Texts();
    }

    ProgramServices services_;
    MenuBarServices& menuBars_ = services_.Get<MenuBarServices>();
    velora::testing::TemporaryHome home_;  // the hive holding the reload flag
    RecordingMessageBoxes boxes_;
    FakeMessages messages_;
    std::unique_ptr<Screen> screen_;
    std::unique_ptr<ReaderStandIn> reader_;
    std::unique_ptr<InboxWindow> inbox_;
    std::vector<std::string> readerLog_;
    velora::testing::ScreenDriver driver_;
    bool optionsMode_ = false;
    bool firstActivation_ = false;
    PaintLog paintLog_;
};

TEST_F(InboxWindowTest, TimerEightShowsTheListLoadedAfterCreation) {
    ReaderLink link;
    inbox_ = std::make_unique<InboxWindow>(*screen_, resources::ProgramInstance(), messages_, link,
                                           nullptr);
    inbox_->Create();
    EXPECT_EQ(inbox_->List()->GetItemCount(), 0);
    messages_.rows = {MakeRow(u"Ann", false), MakeRow(u"Bob", true)};
    driver_.Advance(kListTimerMs - 1);
    EXPECT_EQ(inbox_->List()->GetItemCount(), 0);
    driver_.Advance(1);
    EXPECT_EQ(inbox_->List()->GetItemCount(), 2);
    EXPECT_EQ(Mark(), 0);
    EXPECT_FALSE(screen_->HasTimer(inbox_.get(), kListTimer));  // once only
}

TEST_F(InboxWindowTest, ReadOpensTheSelectedMessageOrTheDefaultDocument) {
    Start({MakeRow(u"Ann", false), MakeRow(u"Bob", false)});
    driver_.Press(VK_DOWN);
    driver_.SoftKey(0);  // "Read"
    EXPECT_EQ(messages_.log, (std::vector<std::string>{"SetRead 1 1", "LoadMessageDocument 1"}));
    EXPECT_EQ(screen_->Top(), reader_.get());
    ShowWindow(inbox_.get(), SW_SHOW);
    driver_.Press(VK_RETURN);  // the Action key in the list does the same
    EXPECT_EQ(messages_.log.size(), 4u);
}

TEST_F(InboxWindowTest, EmptyInboxReadsTheDefaultDocumentAndIgnoresRowCommands) {
    Start({});
    Command(kCommandToggleRead);
    Command(kCommandDelete);
    EXPECT_TRUE(messages_.log.empty());
    Command(IDOK);
    EXPECT_EQ(messages_.log, (std::vector<std::string>{"LoadDefaultDocument"}));
    EXPECT_EQ(screen_->Top(), reader_.get());
}

TEST_F(InboxWindowTest, MarkAsReadAndDownloadMarkToggleTheSelectedRow) {
    Start({MakeRow(u"Ann", false, true), MakeRow(u"Bob", true, false)});
    Command(kCommandToggleRead);
    Command(kCommandToggleRead);
    Command(kCommandToggleDownload);
    driver_.Press(VK_DOWN);
    Command(kCommandToggleDownload);  // no attachment: nothing
    EXPECT_EQ(messages_.log,
              (std::vector<std::string>{"SetRead 0 1", "SetRead 0 0", "SetDownloadMark 0 1"}));
    EXPECT_TRUE(messages_.rows[0].markedForDownload);
}

TEST_F(InboxWindowTest, DeleteSelectsTheNextRowAndTheLastLeavesNothingSelected) {
    Start({MakeRow(u"Ann", false), MakeRow(u"Bob", false), MakeRow(u"Cy", false)});
    driver_.Press(VK_DOWN);
    Command(kCommandDelete);
    EXPECT_EQ(messages_.log, (std::vector<std::string>{"Delete 1"}));
    EXPECT_EQ(inbox_->List()->GetItemState(1, 0xF), LVIS_FOCUSED | LVIS_SELECTED);
    // Row 1 is now the last one: deleting it leaves the mark past the end.
    Command(kCommandDelete);
    EXPECT_EQ(Mark(), 1);
    messages_.log.clear();
    Command(kCommandRead);  // nothing selected: the default document
    EXPECT_EQ(messages_.log, (std::vector<std::string>{"LoadDefaultDocument"}));
}

TEST_F(InboxWindowTest, SortsKeepTheSelectionIndexAndMenuCommandsArriveFromThePopUp) {
    Start({MakeRow(u"Ann", false), MakeRow(u"Bob", false), MakeRow(u"Cy", false)});
    driver_.Press(VK_DOWN);
    driver_.Press(VK_DOWN);
    for (UINT command : {kCommandSortBySender, kCommandSortByRead, kCommandSortByDate})
        driver_.Choose(command);
    EXPECT_EQ(messages_.log, (std::vector<std::string>{"Sort sender", "Sort read", "Sort date"}));
    EXPECT_EQ(Mark(), 2);
    // Closing the menu shows the reader's frame again with the Inbox invalidated.
    EXPECT_EQ(std::count(readerLog_.begin(), readerLog_.end(), "frame inbox"), 3);
}

TEST_F(InboxWindowTest, LeftOrRightTogglesTheDateDisplay) {
    Start({MakeRow(u"Ann", false)});
    const std::vector<std::u16string> plain = {u"Ann", u"Subject of Ann"};
    EXPECT_EQ(PaintedTexts(), plain);
    driver_.Press(VK_LEFT);
    EXPECT_EQ(PaintedTexts(), (std::vector<std::u16string>{u"05/12/2026 \u2022 Ann",
                                                           u"14:03 \u2022 Subject of Ann"}));
    driver_.Press(VK_RIGHT);
    EXPECT_EQ(PaintedTexts(), plain);
}

TEST_F(InboxWindowTest, ItemDrawingFollowsTheRowState) {
    Start({MakeRow(u"Unread", false, true), MakeRow(u"Read", true)});
    PaintedTexts();
    // Unread rows in the semi-bold font; read rows in the context's font.
    const auto texts = paintLog_.OfKind(PaintCallKind::ExtTextOut);
    EXPECT_EQ(texts[0].font.weight, FW_SEMIBOLD);
    EXPECT_NE(texts[2].font.weight, FW_SEMIBOLD);
    // The selected first row is filled with the highlight colour.
    std::vector<PaintCall> fills;
    for (const PaintCall& call : paintLog_.OfKind(PaintCallKind::FillRect)) {
        if (call.surface != 0) fills.push_back(call);  // the row images, not the erase
    }
    EXPECT_EQ(fills[0].color, GetSysColor(COLOR_HIGHLIGHT));
    // The envelope and the paper clip of row 0, the open envelope of row 1.
    EXPECT_EQ(paintLog_.OfKind(PaintCallKind::TransparentImage).size(), 3u);
}
TEST_F(InboxWindowTest, ActivationHonoursAPendingReloadOnlyAfterADeactivation) {
    Start({MakeRow(u"Ann", false)});
    messages_.reloadRows = {MakeRow(u"New", false), MakeRow(u"Ann", false)};
    services::WriteReloadFlag(1);
    // Activation without a deactivation before it: no reload.
    SendMessage(inbox_.get(), WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_TRUE(messages_.log.empty());
    EXPECT_EQ(readerLog_, (std::vector<std::string>{"help hidden", "font"}));

    readerLog_.clear();
    ShowWindow(reader_.get(), SW_SHOW);  // the Inbox is deactivated
    EXPECT_EQ(readerLog_, (std::vector<std::string>{"help hidden", "backlight 0", "stop"}));
    EXPECT_TRUE(firstActivation_);
    ShowWindow(inbox_.get(), SW_SHOW);
    EXPECT_EQ(inbox_->List()->GetItemCount(), 2);  // reloaded
    EXPECT_FALSE(firstActivation_);
    std::int32_t flag = -1;
    services::ReadReloadFlag(flag);
    EXPECT_EQ(flag, 0);

    // Without a request, activation after deactivation does not reload.
    messages_.log.clear();
    ShowWindow(reader_.get(), SW_SHOW);
    ShowWindow(inbox_.get(), SW_SHOW);
    EXPECT_TRUE(messages_.log.empty());
}

TEST_F(InboxWindowTest, ActivationOnTheOptionsScreenReadsTheSelectedMessageAgain) {
    Start({MakeRow(u"Ann", false)});
    optionsMode_ = true;
    SendMessage(inbox_.get(), WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(messages_.log, (std::vector<std::string>{"SetRead 0 1", "LoadMessageDocument 0"}));
}

TEST_F(InboxWindowTest, ReaderCommandsActOnTheRowUnderTheSelectionMark) {
    Start({MakeRow(u"Ann", true), MakeRow(u"Bob", true)});
    driver_.Press(VK_DOWN);
    ShowWindow(reader_.get(), SW_SHOW);
    inbox_->MarkSelectedUnread();
    EXPECT_EQ(screen_->Top(), inbox_.get());
    ShowWindow(reader_.get(), SW_SHOW);
    inbox_->DeleteSelectedFromReader();
    EXPECT_EQ(messages_.log, (std::vector<std::string>{"SetRead 1 0", "Delete 1"}));
    EXPECT_EQ(inbox_->List()->GetItemCount(), 1);
}

TEST_F(InboxWindowTest, AboutStopsTheReaderFirstAndQuitRunsTheQuitHandling) {
    Start({});
    Command(kCommandAbout);
    SendMessage(inbox_.get(), WM_QUIT, 0, 0);
    EXPECT_EQ(readerLog_, (std::vector<std::string>{"stop", "about", "quit"}));
    EXPECT_FALSE(screen_->QuitPosted());
    EXPECT_EQ(SendMessage(inbox_.get(), WM_CLOSE, 0, 0), 0);
    EXPECT_TRUE(screen_->QuitPosted());
}

}  // namespace
}  // namespace velora::inbox
