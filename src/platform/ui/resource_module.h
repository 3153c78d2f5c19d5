#pragma once
// The program's resources as the platform layer sees them: a module (the phone's instance handle)
// that answers string, menu, menu-bar, dialog-template and bitmap look-ups by number. The
// resources library implements it; the platform reads it through this interface only.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/win_types.h"

class QImage;

namespace velora::platform {

// One item of a pop-up menu; a separator has id 0 and no text.
struct MenuItem {
    UINT id = 0;
    std::u16string text;
    bool separator = false;

    bool operator==(const MenuItem&) const = default;
};

// A menu resource: its pop-ups, in order (the menu bars refer to them by index).
struct MenuTemplate {
    std::vector<std::vector<MenuItem>> popups;
};

// One control of a dialog template; positions in dialog units.
struct DialogControl {
    int id = -1;
    std::u16string className;  // "EDIT", "STATIC", "BUTTON"
    std::u16string text;
    int x = 0, y = 0, cx = 0, cy = 0;
    DWORD style = 0;  // beyond WS_CHILD | WS_VISIBLE
};

struct DialogTemplate {
    DWORD style = 0;
    std::u16string title;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::u16string fontFace;
    int fontPointSize = 0;
    std::vector<DialogControl> controls;
};

class ResourceModule {
  public:
    virtual ~ResourceModule() = default;
    // The string held by the module for the whole run, or nullptr when it has none of that id.
    virtual const std::u16string* String(UINT id) const = 0;
    virtual const MenuTemplate* Menu(UINT id) const = 0;
    // The menu-bar resource (RCDATA) as its 16-bit words: id, button count, then seven words per
    // button (image, command, state, style, string id, 0, sub-menu).
    virtual const std::vector<std::uint16_t>* MenuBarData(UINT id) const = 0;
    virtual const DialogTemplate* Dialog(UINT id) const = 0;
    // A bitmap in logical pixels; nullptr when the module has none of that number.
    virtual const QImage* Bitmap(UINT id) const = 0;
};

// The phone's instance handle: the module the program's resources come from.
using HINSTANCE = const ResourceModule*;

// LoadStringW: copies string `id` into `buffer` (at most bufferMax - 1 units and a terminator)
// and returns the units copied, or 0 when the string is missing. With bufferMax 0, `buffer` must
// point to a `const char16_t*` slot: it receives the address of the string held by the module and
// the result is its length (the phone does not promise a terminator; ours are terminated).
[[nodiscard]] int LoadStringW(HINSTANCE instance, UINT id, char16_t* buffer, int bufferMax);
// The string itself, or nullopt when missing.
[[nodiscard]] std::optional<std::u16string> LoadStringText(HINSTANCE instance, UINT id);

// LoadBitmap: a copy of bitmap `id` to select into a memory painter, or nullptr when missing.
class Bitmap;
std::shared_ptr<Bitmap> LoadBitmap(HINSTANCE instance, UINT id);

}  // namespace velora::platform
