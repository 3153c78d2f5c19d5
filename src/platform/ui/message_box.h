#pragma once
// MessageBoxW and the wait cursor. A message box is modal in the program; the service behind it
// can be replaced (MessageBoxServices), so that tests record boxes instead of showing them.

#include <string>
#include <string_view>
#include <vector>

#include "platform/base/program_services.h"
#include "platform/base/win_types.h"

namespace velora::platform {

// MessageBoxW types (buttons in the low nibble, icon in the next).
inline constexpr UINT MB_OK = 0x00000000;
inline constexpr UINT MB_OKCANCEL = 0x00000001;
inline constexpr UINT MB_YESNO = 0x00000004;
inline constexpr UINT MB_ICONERROR = 0x00000010;
inline constexpr UINT MB_ICONQUESTION = 0x00000020;
inline constexpr UINT MB_ICONWARNING = 0x00000030;
inline constexpr UINT MB_ICONINFORMATION = 0x00000040;

class MessageBoxService {
  public:
    virtual ~MessageBoxService() = default;
    // Shows the box and returns the button pressed (IDOK, IDCANCEL, IDYES, IDNO).
    virtual int Show(HWND owner, std::u16string_view text, std::u16string_view caption,
                     UINT type) = 0;
};

// Records every box and answers with `answer` (IDOK unless set).
class RecordingMessageBoxes : public MessageBoxService {
  public:
    struct Box {
        HWND owner;
        std::u16string text;
        std::u16string caption;
        UINT type;
    };
    int Show(HWND owner, std::u16string_view text, std::u16string_view caption, UINT type) override;

    std::vector<Box> boxes;
    int answer = IDOK;
};

// The service behind MessageBoxW, a part of the program's services: null (the program's) shows
// Qt boxes; tests set a RecordingMessageBoxes.
struct MessageBoxServices {
    MessageBoxService* service = nullptr;  // not owned
};

// Text and caption may be null (empty). Texts keep their line breaks (CR, LF).
int MessageBoxW(HWND owner, const char16_t* text, const char16_t* caption, UINT type);

// The cursor: LoadCursor(nullptr, IDC_WAIT) and SetCursor show the busy cursor over the device
// screen (a Qt override cursor; nothing without a display); SetCursor(nullptr) or the arrow
// clears it. LoadCursor returns nullptr for other ids. Returns the cursor shown before.
enum class CursorShape { Arrow, Wait };
using HCURSOR = const CursorShape*;
inline constexpr int IDC_ARROW = 32512;
inline constexpr int IDC_WAIT = 32514;
HCURSOR LoadCursor(void* instance, int cursorId);
HCURSOR SetCursor(HCURSOR cursor);

}  // namespace velora::platform
