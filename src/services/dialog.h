#pragma once
// The program's two modal dialogs, About (template 129, menu bar 308) and Find Text (template
// 133, menu bar 317), their shared initialisation and the report of a dialog that cannot be shown.
//
// What a dialog shows and does beyond its controls belongs to the layers above (the About text,
// the reader's frame, the search): start-up fills in the DialogContext part of the program's
// services, and empties it before what its functions refer to goes.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/base/program_services.h"
#include "platform/ui/resource_module.h"
#include "platform/ui/window.h"
#include "resources/resource_ids.h"
#include "services/dialog_window.h"

namespace velora::platform {
class Screen;
}

namespace velora::services {

enum class DialogKind : std::int32_t { About, Find };

inline constexpr platform::UINT kAboutDialogTemplate = resources::IDD_ABOUT;
inline constexpr platform::UINT kFindDialogTemplate = resources::IDD_FIND;
inline constexpr platform::UINT kAboutMenuBar = resources::IDMB_ABOUT;
inline constexpr platform::UINT kFindMenuBar = resources::IDMB_FIND_DIALOG;
inline constexpr int kAboutTextControl = resources::IDC_ABOUT_TEXT;
inline constexpr int kFindTextControl = resources::IDC_FIND_TEXT;
inline constexpr int kStartAtTopControl = resources::IDC_START_AT_TOP;
inline constexpr int kBeginsWithControl = resources::IDC_BEGINS_WITH;
inline constexpr int kMatchCaseControl = resources::IDC_MATCH_CASE;
// The failure report: caption string 200 (not in the string table: an empty caption) and the
// format string 116, "Unable to bring up the dialog.\n%2".
inline constexpr platform::UINT kDialogErrorCaption = 200;
inline constexpr platform::UINT kDialogErrorFormat = 116;
inline constexpr std::int32_t E_FAIL = static_cast<std::int32_t>(0x80004005u);

struct DialogContext {
    platform::Screen* screen = nullptr;
    platform::HINSTANCE instance = nullptr;
    // The built-in help text the About dialog shows.
    std::function<std::u16string()> aboutText;
    // The last find text, filled into the Find dialog.
    std::function<std::u16string()> lastFindText;
    // ShowCurrentFrame with the Inbox window as the window it invalidates (About closed).
    std::function<void()> showInboxFrame;
    // The Find dialog's procedure (the search belongs to the reader).
    DialogProcedure findProcedure;
};

// Opens About (template 129, the About procedure) owned by `owner`. Returns the dialog's result,
// or the error code after reporting it.
std::int32_t ShowInboxDialog(platform::HWND owner);
// Opens Find Text (template 133, the Find procedure) owned by `owner`.
std::int32_t ShowReaderDialog(platform::HWND owner);

// The shared WM_INITDIALOG handling: full screen, the soft-key bar of `kind` with the Back key
// kept for the dialog, the kind's contents and focus. Returns FALSE; on a failure it ends the
// dialog with the error code, which the opener reports.
INT_PTR InitDialogWindow(DialogWindow& dialog, DialogKind kind);

// What every dialog of the program does with the shell's messages: a pop-up of its soft-key bar
// opens with nothing to prepare, and the Back key it keeps for itself goes on to the focused
// control (an edit box deletes a character, or all of them when Back is held). Any other message
// is not handled (FALSE).
INT_PTR HandleDialogShellMessage(platform::UINT message, platform::WPARAM wParam,
                                 platform::LPARAM lParam);

// "Unable to bring up the dialog." and the code as 0x%08x, in an error box owned by `owner`.
void ReportDialogError(platform::HWND owner, platform::HINSTANCE instance, platform::UINT captionId,
                       platform::UINT formatId, std::int32_t code);

// The text ReportDialogError shows: FormatMessage of the format with insert 1 and 2 both the code
// as "0x%08x"; "Error: 0x%08x" when that gives no text.
std::u16string FormatDialogError(std::u16string_view format, std::int32_t code);

// The About dialog's procedure.
INT_PTR AboutDialogProcedure(DialogWindow& dialog, platform::UINT message, platform::WPARAM wParam,
                             platform::LPARAM lParam);

}  // namespace velora::services
