#pragma once
// The program's resources: the string table, the pop-up menus 134 and 300, the soft-key menu bars
// 134, 300, 305, 308, 317 and 318 (as the shell's RCDATA words), the dialog templates 129 (About)
// and 133 (Find Text), and the Inbox list's bitmaps 135 to 138. ProgramInstance() is the phone's
// instance handle for them.

#include <filesystem>

#include "platform/ui/resource_module.h"
#include "resources/resource_ids.h"

namespace velora::resources {

const platform::ResourceModule& ProgramResources();
inline platform::HINSTANCE ProgramInstance() {
    return &ProgramResources();
}

// Dialog template styles.
inline constexpr platform::DWORD kStyleChild = 0x40000000;    // WS_CHILD
inline constexpr platform::DWORD kStyleVisible = 0x10000000;  // WS_VISIBLE
inline constexpr platform::DWORD kStylePopup = 0x80000000;    // WS_POPUP
inline constexpr platform::DWORD kStyleCaption = 0x00C00000;  // WS_CAPTION
inline constexpr platform::DWORD kStyleSetFont = 0x00000040;  // DS_SETFONT

// The keep-awake sound "Keep.dat": next to the window program in the build tree, or where the
// install puts it relative to the window program's folder (libexec/velora, then
// ../../share/velora). Empty when neither exists.
std::filesystem::path FindKeepAwakeSound(const std::filesystem::path& programFolder);

}  // namespace velora::resources
