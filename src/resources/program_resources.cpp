#include "resources/program_resources.h"

#include <QColor>
#include <QImage>
#include <map>
#include <string_view>
#include <system_error>

#include "platform/base/program_services.h"

namespace velora::resources {

namespace {

using platform::DialogControl;
using platform::DialogTemplate;
using platform::DWORD;
using platform::MenuItem;
using platform::MenuTemplate;

// Control styles of the dialog templates (beyond WS_CHILD | WS_VISIBLE).
constexpr DWORD WS_TABSTOP = 0x00010000;
constexpr DWORD WS_GROUP = 0x00020000;
constexpr DWORD WS_VSCROLL = 0x00200000;
constexpr DWORD WS_BORDER = 0x00800000;
constexpr DWORD ES_MULTILINE = 0x0004;
constexpr DWORD ES_AUTOVSCROLL = 0x0040;
constexpr DWORD ES_AUTOHSCROLL = 0x0080;
constexpr DWORD SS_LEFT = 0x0000;
constexpr DWORD BS_AUTOCHECKBOX = 0x0003;

// Menu-bar button words.
constexpr std::uint16_t kNoImage = 0xFFFE;
constexpr std::uint16_t kEnabled = 0x04;
constexpr std::uint16_t kAutoSize = 0x10;
constexpr std::uint16_t kDropDownAutoSize = 0x18;
constexpr std::uint16_t kNoSubMenu = 0xFFFF;

std::vector<std::uint16_t> TwoButtonBar(std::uint16_t id, std::uint16_t leftCommand,
                                        std::uint16_t leftString, std::uint16_t rightCommand,
                                        std::uint16_t rightString, bool rightDropDown) {
    // clang-format off
    return {id, 2,
            kNoImage, leftCommand, kEnabled, kAutoSize, leftString, 0, kNoSubMenu,
            kNoImage, rightCommand, kEnabled, rightDropDown ? kDropDownAutoSize : kAutoSize,
                rightString, 0, rightDropDown ? std::uint16_t{0} : kNoSubMenu};
    // clang-format on
}

MenuItem Item(std::uint32_t id, std::u16string text) {
    return MenuItem{id, std::move(text), false};
}
MenuItem Separator() {
    return MenuItem{0, u"", true};
}

// Pixel art: one character a pixel. '.' is white, which the list draws as transparent.
QImage Picture(std::initializer_list<std::string_view> rows) {
    static const std::map<char, QRgb> palette = {
        {'.', qRgb(255, 255, 255)}, {'k', qRgb(0, 0, 0)},       {'y', qRgb(255, 236, 139)},
        {'p', qRgb(250, 250, 250)}, {'g', qRgb(150, 150, 150)}, {'d', qRgb(80, 80, 80)},
        {'r', qRgb(220, 0, 0)},
    };
    const int height = static_cast<int>(rows.size());
    const int width = static_cast<int>(rows.begin()->size());
    QImage image(width, height, QImage::Format_RGB32);
    int y = 0;
    for (std::string_view row : rows) {
        for (int x = 0; x < width; ++x) {
            const auto colour = palette.find(x < static_cast<int>(row.size()) ? row[x] : '.');
            image.setPixel(x, y, colour == palette.end() ? qRgb(255, 255, 255) : colour->second);
        }
        ++y;
    }
    return image;
}

class Resources : public platform::ResourceModule {
  public:
    Resources() {
        strings_ = {
            {IDS_READ, u"Read"},
            {IDS_APP_TITLE, u"Velora"},
            {IDS_DIALOG_ERROR, u"Unable to bring up the dialog.\n%2"},
            {IDS_OPTIONS, u"Options"},
            {IDS_MENU, u"Menu"},
            {IDS_DONE, u"Done"},
            {IDS_DEFAULTS, u"Defaults"},
            {IDS_BLANK, u" "},
            {IDS_CANCEL, u"Cancel"},
            {IDS_FIND, u"Find"},
            {IDS_FIND_NEXT, u"Find Next"},
        };

        menus_[IDM_INBOX].popups = {{
            Item(IDM_RELOAD, u"Receive/Reload E-mail"),
            Item(IDM_DELETE, u"Delete (selected item)"),
            Item(IDM_MARK_DOWNLOAD, u"Mark for Download Y/N"),
            Item(IDM_MARK_READ, u"Mark as Read Y/N"),
            Separator(),
            Item(IDM_SORT_SENDER, u"Sort by Sender +/-"),
            Item(IDM_SORT_READ, u"Sort by Read +/-"),
            Item(IDM_SORT_DATE, u"Sort by Date +/-"),
            Separator(),
            Item(IDM_ABOUT, u"About"),
        }};
        menus_[IDM_READER].popups = {{
            Item(IDM_MARK_READ, u"Mark as Unread"),
            Separator(),
            Item(IDM_DELETE, u"Delete Message"),
            Separator(),
            Item(IDM_GO_TO_TOP, u"Go to Top"),
            Item(IDM_FIND, u"Find..."),
            Item(IDM_FIND_NEXT, u"Find Next"),
        }};

        menuBars_[IDMB_INBOX] =
            TwoButtonBar(IDMB_INBOX, IDM_SOFTKEY_LEFT, IDS_READ, 0, IDS_MENU, true);
        menuBars_[IDMB_READER] =
            TwoButtonBar(IDMB_READER, IDM_SOFTKEY_LEFT, IDS_OPTIONS, 0, IDS_MENU, true);
        menuBars_[IDMB_OPTIONS] = TwoButtonBar(IDMB_OPTIONS, 1, IDS_DONE, 2, IDS_DEFAULTS, false);
        menuBars_[IDMB_ABOUT] = TwoButtonBar(IDMB_ABOUT, 1, IDS_DONE, 2, IDS_BLANK, false);
        menuBars_[IDMB_FIND_DIALOG] =
            TwoButtonBar(IDMB_FIND_DIALOG, 1, IDS_FIND, 2, IDS_CANCEL, false);
        menuBars_[IDMB_FIND_MODE] =
            TwoButtonBar(IDMB_FIND_MODE, IDM_FIND_NEXT, IDS_FIND_NEXT, IDM_FIND, IDS_FIND, false);

        const DWORD dialogStyle = kStylePopup | kStyleCaption | kStyleSetFont;
        dialogs_[IDD_ABOUT] =
            DialogTemplate{dialogStyle,
                           u"",
                           0,
                           0,
                           102,
                           95,
                           u"System",
                           8,
                           {DialogControl{IDC_ABOUT_TEXT, u"EDIT", u"", 0, 0, 101, 85,
                                          WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL}}};
        dialogs_[IDD_FIND] = DialogTemplate{
            dialogStyle,
            u"Find Text",
            0,
            0,
            102,
            95,
            u"System",
            8,
            {
                DialogControl{IDC_FIND_TEXT, u"EDIT", u"", 7, 16, 88, 12,
                              WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL},
                DialogControl{-1, u"STATIC", u"Find:", 7, 6, 57, 10, WS_GROUP | SS_LEFT},
                DialogControl{IDC_START_AT_TOP, u"BUTTON", u"Start at Top", 7, 51, 88, 8,
                              WS_TABSTOP | BS_AUTOCHECKBOX},
                DialogControl{IDC_BEGINS_WITH, u"BUTTON", u"Begins with", 7, 63, 88, 8,
                              WS_TABSTOP | BS_AUTOCHECKBOX},
                DialogControl{IDC_MATCH_CASE, u"BUTTON", u"Match case", 7, 74, 88, 9,
                              WS_TABSTOP | BS_AUTOCHECKBOX},
                DialogControl{-1, u"STATIC", u"To clear text press and hold the backspace key.", 12,
                              29, 88, 17, WS_GROUP | SS_LEFT},
            }};

        // clang-format off
        bitmaps_[IDB_ENVELOPE_CLOSED] = Picture({
            "..............",
            "..............",
            "kkkkkkkkkkkkkk",
            "kkyyyyyyyyyykk",
            "kykyyyyyyyykyk",
            "kyykyyyyyykyyk",
            "kyyykyyyykyyyk",
            "kyyyykyykyyyyk",
            "kyyyyykkyyyyyk",
            "kyyyyyyyyyyyyk",
            "kyyyyyyyyyyyyk",
            "kyyyyyyyyyyyyk",
            "kkkkkkkkkkkkkk",
            "..............",
        });
        bitmaps_[IDB_ENVELOPE_OPEN] = Picture({
            "......kk......",
            "....kkyykk....",
            "..kkyyyyyykk..",
            "kkyyyyyyyyyykk",
            "kyppppppppppyk",
            "kypggggggggpyk",
            "kkppppppppppkk",
            "kykpggggggpkyk",
            "kyykppppppkyyk",
            "kyyykkppkkyyyk",
            "kyyyyykkyyyyyk",
            "kyyyyyyyyyyyyk",
            "kkkkkkkkkkkkkk",
        });
        static constexpr std::string_view clip[] = {
            ".....d....", "....d.d...", "....d.d...", "..d.d.d...", "..d.d.d...", "..d.d.d...",
            "..d.d.d...", "..d.d.d...", "..d.d.d...", "..d.d.d...", "..d.d.d...", "..d...d...",
            "..d...d...", "..d...d...", "...d.d....", "....d.....",
        };
        bitmaps_[IDB_PAPER_CLIP] = Picture({clip[0], clip[1], clip[2], clip[3], clip[4], clip[5],
                                            clip[6], clip[7], clip[8], clip[9], clip[10], clip[11],
                                            clip[12], clip[13], clip[14], clip[15]});
        static constexpr std::string_view arrow[] = {
            "........", "........", "...rr...", "...rr...", "...rr...", "...rr...",
            "...rr...", "...rr...", "...rr...", "...rr...", ".rrrrrr.", "..rrrr..",
            "...rr...", "........", "........", "........",
        };
        // clang-format on
        std::string rows[16];
        for (int i = 0; i < 16; ++i) rows[i] = std::string(clip[i]) + std::string(arrow[i]);
        bitmaps_[IDB_PAPER_CLIP_DOWN] =
            Picture({rows[0], rows[1], rows[2], rows[3], rows[4], rows[5], rows[6], rows[7],
                     rows[8], rows[9], rows[10], rows[11], rows[12], rows[13], rows[14], rows[15]});
    }

    const std::u16string* String(platform::UINT id) const override {
        auto found = strings_.find(id);
        return found == strings_.end() ? nullptr : &found->second;
    }
    const MenuTemplate* Menu(platform::UINT id) const override {
        auto found = menus_.find(id);
        return found == menus_.end() ? nullptr : &found->second;
    }
    const std::vector<std::uint16_t>* MenuBarData(platform::UINT id) const override {
        auto found = menuBars_.find(id);
        return found == menuBars_.end() ? nullptr : &found->second;
    }
    const DialogTemplate* Dialog(platform::UINT id) const override {
        auto found = dialogs_.find(id);
        return found == dialogs_.end() ? nullptr : &found->second;
    }
    const QImage* Bitmap(platform::UINT id) const override {
        auto found = bitmaps_.find(id);
        return found == bitmaps_.end() ? nullptr : &found->second;
    }

  private:
    std::map<platform::UINT, std::u16string> strings_;
    std::map<platform::UINT, MenuTemplate> menus_;
    std::map<platform::UINT, std::vector<std::uint16_t>> menuBars_;
    std::map<platform::UINT, DialogTemplate> dialogs_;
    std::map<platform::UINT, QImage> bitmaps_;
};

}  // namespace

const platform::ResourceModule& ProgramResources() {
    return platform::CurrentProgramServices().Get<Resources>();
}

std::filesystem::path FindKeepAwakeSound(const std::filesystem::path& programFolder) {
    std::error_code error;
    for (const std::filesystem::path& candidate :
         {programFolder / "Keep.dat", programFolder / VELORA_KEEP_DAT_FROM_PROGRAM_FOLDER}) {
        if (std::filesystem::is_regular_file(candidate, error)) return candidate.lexically_normal();
    }
    return {};
}

}  // namespace velora::resources
