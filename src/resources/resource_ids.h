#pragma once
// The numbers by which the program's code refers to its resources: strings, menus, menu bars,
// dialog templates, bitmaps, and the command ids of the soft keys and menu items.

#include <cstdint>

namespace velora::resources {

// Strings.
inline constexpr std::uint32_t IDS_READ = 108;          // "Read"
inline constexpr std::uint32_t IDS_APP_TITLE = 112;     // "Velora"
inline constexpr std::uint32_t IDS_DIALOG_ERROR = 116;  // "Unable to bring up the dialog.\n%2"
inline constexpr std::uint32_t IDS_DIALOG_ERROR_CAPTION = 200;  // not in the table: empty caption
inline constexpr std::uint32_t IDS_OPTIONS = 205;               // "Options"
inline constexpr std::uint32_t IDS_MENU = 206;                  // "Menu"
inline constexpr std::uint32_t IDS_DONE = 207;                  // "Done"
inline constexpr std::uint32_t IDS_DEFAULTS = 209;              // "Defaults"
inline constexpr std::uint32_t IDS_BLANK = 210;                 // " "
inline constexpr std::uint32_t IDS_CANCEL = 213;                // "Cancel"
inline constexpr std::uint32_t IDS_FIND = 214;                  // "Find"
inline constexpr std::uint32_t IDS_FIND_NEXT = 215;             // "Find Next"

// Menus (pop-up 0 of each) and menu bars.
inline constexpr std::uint32_t IDM_INBOX = 134;
inline constexpr std::uint32_t IDM_READER = 300;
inline constexpr std::uint32_t IDMB_INBOX = 134;
inline constexpr std::uint32_t IDMB_READER = 300;
inline constexpr std::uint32_t IDMB_OPTIONS = 305;
inline constexpr std::uint32_t IDMB_ABOUT = 308;
inline constexpr std::uint32_t IDMB_FIND_DIALOG = 317;
inline constexpr std::uint32_t IDMB_FIND_MODE = 318;

// Dialog templates and their controls.
inline constexpr std::uint32_t IDD_ABOUT = 129;
inline constexpr std::uint32_t IDD_FIND = 133;
inline constexpr int IDC_ABOUT_TEXT = 1001;
inline constexpr int IDC_START_AT_TOP = 1010;
inline constexpr int IDC_BEGINS_WITH = 1011;
inline constexpr int IDC_MATCH_CASE = 1012;
inline constexpr int IDC_FIND_TEXT = 1013;

// Bitmaps of the Inbox list.
inline constexpr std::uint32_t IDB_ENVELOPE_CLOSED = 135;  // 14 x 14
inline constexpr std::uint32_t IDB_ENVELOPE_OPEN = 136;    // 14 x 13
inline constexpr std::uint32_t IDB_PAPER_CLIP = 137;       // 10 x 16
inline constexpr std::uint32_t IDB_PAPER_CLIP_DOWN = 138;  // 18 x 16

// Commands.
inline constexpr std::uint32_t IDM_SOFTKEY_LEFT = 40014;  // "Read" / "Options"
inline constexpr std::uint32_t IDM_ABOUT = 301;
inline constexpr std::uint32_t IDM_NOTHING = 302;
inline constexpr std::uint32_t IDM_GO_TO_TOP = 309;
inline constexpr std::uint32_t IDM_FIND = 314;
inline constexpr std::uint32_t IDM_FIND_NEXT = 315;
inline constexpr std::uint32_t IDM_RELOAD = 320;
inline constexpr std::uint32_t IDM_DELETE = 321;
inline constexpr std::uint32_t IDM_MARK_READ =
    322;  // Inbox "Mark as Read Y/N", Reader "Mark as Unread"
inline constexpr std::uint32_t IDM_MARK_DOWNLOAD = 323;
inline constexpr std::uint32_t IDM_SORT_SENDER = 325;
inline constexpr std::uint32_t IDM_SORT_READ = 326;
inline constexpr std::uint32_t IDM_SORT_DATE = 327;

}  // namespace velora::resources
