#include "services/dialog.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <memory>

#include "harness/fake_resources.h"
#include "harness/gui_application.h"
#include "platform/ui/message_box.h"
#include "platform/ui/screen.h"
#include "resources/program_resources.h"

namespace velora::services {
namespace {

using namespace velora::platform;

TEST(FormatDialogError, WritesTheCodeInEightHexadecimalDigits) {
    const std::u16string format = u"Unable to bring up the dialog.\n%2";
    EXPECT_EQ(FormatDialogError(format, static_cast<std::int32_t>(0x80070002u)),
              u"Unable to bring up the dialog.\n0x80070002");
    EXPECT_EQ(FormatDialogError(u"%1/%2", 255), u"0x000000ff/0x000000ff");
    EXPECT_EQ(FormatDialogError(u"", E_FAIL), u"Error: 0x80004005");
}

class DialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::GuiApplication();
        services_.Get<MessageBoxServices>().service = &boxes_;
        screen_ = std::make_unique<Screen>(std::make_unique<TestClock>());
        owner_ = std::make_unique<Window>(*screen_, u"Velora");
        ShowWindow(owner_.get(), SW_SHOW);
        context_.screen = screen_.get();
        context_.instance = resources::ProgramInstance();
        context_.aboutText = [] { return std::u16string(u"Help text.\r\nMore."); };
        context_.showInboxFrame = [this] { ++framesShown_; };
    }

    ProgramServices services_;
    DialogContext& context_ = services_.Get<DialogContext>();
    RecordingMessageBoxes boxes_;
    std::unique_ptr<Screen> screen_;
    std::unique_ptr<Window> owner_;
    int framesShown_ = 0;
};

TEST_F(DialogTest, AboutClosesWithEitherSoftKeyAndKeepsTheBackKey) {
    for (int key : {0, 1}) {
        DialogWindow* seen = nullptr;
        screen_->SetModalDriver([&](HWND dialog) {
            seen = static_cast<DialogWindow*>(dialog);
            EXPECT_EQ(seen->Title(), u"About BRK");
            EXPECT_EQ(seen->ItemText(kAboutTextControl), u"Help text.\r\nMore.");
            EXPECT_EQ(seen->FocusedControl(), kAboutTextControl);
            screen_->PressBack();  // overridden: reaches the dialog, which stays
            EXPECT_FALSE(seen->Ended());
            screen_->PressSoftKey(key);
        });
        EXPECT_EQ(ShowInboxDialog(owner_.get()), 0);
        EXPECT_NE(seen, nullptr);
    }
    EXPECT_EQ(framesShown_, 2);
    EXPECT_EQ(screen_->Top(), owner_.get());
}

TEST_F(DialogTest, ProgramEndingUnderADialogCancelsItWithoutAReport) {
    screen_->SetModalDriver([&](HWND) { screen_->PostQuit(0); });
    EXPECT_EQ(ShowInboxDialog(owner_.get()), IDCANCEL);
    EXPECT_EQ(ShowReaderDialog(owner_.get()), IDCANCEL);
    EXPECT_TRUE(boxes_.boxes.empty());
}

TEST_F(DialogTest, MissingTemplateIsReportedWithTheLastErrorAsAnHresult) {
    const testing::FakeResources module(&resources::ProgramResources());  // without templates
    context_.instance = &module;
    const std::int32_t code = ShowInboxDialog(owner_.get());
    EXPECT_EQ(static_cast<std::uint32_t>(code), 0x80070000u | ERROR_RESOURCE_NAME_NOT_FOUND);
    ASSERT_EQ(boxes_.boxes.size(), 1u);
    EXPECT_EQ(boxes_.boxes[0].text, u"Unable to bring up the dialog.\n0x80070716");
    EXPECT_EQ(boxes_.boxes[0].owner, owner_.get());
}

TEST_F(DialogTest, SoftKeyBarFailureEndsTheDialogWithItsCode) {
    services_.Get<MenuBarServices>().creationFails = [](UINT id) { return id == kFindMenuBar; };
    bool driven = false;
    screen_->SetModalDriver([&](HWND) { driven = true; });
    const std::int32_t code = ShowReaderDialog(owner_.get());
    EXPECT_FALSE(driven);  // ended during its initialisation, never shown
    EXPECT_EQ(static_cast<std::uint32_t>(code), 0x80070008u);
    ASSERT_EQ(boxes_.boxes.size(), 1u);
    EXPECT_EQ(boxes_.boxes[0].type, MB_ICONERROR | MB_OK);
}

TEST_F(DialogTest, FindTextControlsEditToggleAndMoveTheFocus) {
    context_.lastFindText = [] { return std::u16string(u"old"); };
    screen_->SetModalDriver([&](HWND dialog) {
        auto* window = static_cast<DialogWindow*>(dialog);
        EXPECT_EQ(window->Title(), u"Find Text");
        EXPECT_EQ(window->FocusedControl(), kFindTextControl);
        // The last text comes back; typing goes on after it, Back erases, control characters
        // are not text.
        SendMessage(dialog, WM_CHAR, u'x', 0);
        screen_->PressBack();
        screen_->PressBack();
        SendMessage(dialog, WM_CHAR, u'\t', 0);
        EXPECT_EQ(window->ItemText(kFindTextControl), u"ol");
        // Down walks the check boxes; the Action key ticks the focused one.
        screen_->PressKey(VK_DOWN);
        EXPECT_EQ(window->FocusedControl(), kStartAtTopControl);
        screen_->PressKey(VK_DOWN);
        screen_->PressKey(VK_RETURN);
        screen_->PressKey(VK_DOWN);
        screen_->PressKey(VK_DOWN);  // stays on the last one
        EXPECT_EQ(window->FocusedControl(), kMatchCaseControl);
        EXPECT_EQ(window->IsButtonChecked(kBeginsWithControl), BST_CHECKED);
        screen_->PressSoftKey(1);  // Cancel
    });
    EXPECT_EQ(ShowReaderDialog(owner_.get()), IDCANCEL);
}

}  // namespace
}  // namespace velora::services
