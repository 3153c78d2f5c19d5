#pragma once
// The Inbox window (class "VeloraE-mailAppInbox", title "Velora"): the program's first screen, a
// virtual owner-drawn list of the Inbox list's messages, two lines and two icons each, with the
// soft keys "Read" / "Menu" (menu bar 134, menu 134).
//
// The window reaches the mail list and the reader through two small seams that start-up fills in:
// InboxMessages (the Inbox list with its store operations, sorting and text sources) and
// ReaderLink (the Reader window's play state). Item i of the list view is always row i of
// InboxMessages.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/ui/list_view.h"
#include "platform/ui/resource_module.h"
#include "platform/ui/window.h"
#include "resources/resource_ids.h"

namespace velora::inbox {

inline constexpr char16_t kInboxWindowClass[] = u"VeloraE-mailAppInbox";
inline constexpr char16_t kInboxWindowTitle[] = u"Velora";

// Commands of menu bar 134 and menu 134.
inline constexpr platform::UINT kCommandRead = resources::IDM_SOFTKEY_LEFT;
inline constexpr platform::UINT kCommandReload = resources::IDM_RELOAD;
inline constexpr platform::UINT kCommandDelete = resources::IDM_DELETE;
inline constexpr platform::UINT kCommandToggleRead = resources::IDM_MARK_READ;
inline constexpr platform::UINT kCommandToggleDownload = resources::IDM_MARK_DOWNLOAD;
inline constexpr platform::UINT kCommandSortBySender = resources::IDM_SORT_SENDER;
inline constexpr platform::UINT kCommandSortByRead = resources::IDM_SORT_READ;
inline constexpr platform::UINT kCommandSortByDate = resources::IDM_SORT_DATE;
inline constexpr platform::UINT kCommandAbout = resources::IDM_ABOUT;
inline constexpr platform::UINT kCommandNothing = resources::IDM_NOTHING;

inline constexpr platform::UINT kInboxMenuBarId = resources::IDMB_INBOX;
inline constexpr platform::UINT kListViewId = 100;
inline constexpr platform::UINT kListTimer = 8;
inline constexpr platform::UINT kListTimerMs = 250;
inline constexpr int kItemHeight = 36;
inline constexpr int kItemWidth = 176;

// Bitmaps of the rows.
inline constexpr platform::UINT kBitmapClosedEnvelope = resources::IDB_ENVELOPE_CLOSED;
inline constexpr platform::UINT kBitmapOpenEnvelope = resources::IDB_ENVELOPE_OPEN;
inline constexpr platform::UINT kBitmapPaperClip = resources::IDB_PAPER_CLIP;
inline constexpr platform::UINT kBitmapDownloadClip = resources::IDB_PAPER_CLIP_DOWN;

enum class SortKey { Read, Sender, Date };

// What one row shows.
struct InboxRow {
    bool read = false;
    bool hasAttachments = false;
    bool markedForDownload = false;
    std::u16string sender;
    std::u16string subject;
    // The date and time texts of the date display, each ending in " • ".
    std::u16string dateText;
    std::u16string timeText;
};

// The Inbox list and what acts on it. Indices are list positions, 0 <= index < Count(); the
// window checks them before calling.
class InboxMessages {
  public:
    virtual ~InboxMessages() = default;
    virtual int Count() const = 0;
    virtual InboxRow Row(int index) const = 0;
    // Clears the list and loads it again from the stores (LoadInboxList).
    virtual void Reload() = 0;
    // The summary's read flag and the store's (SetReadFlag); failures are not reported.
    virtual void SetRead(int index, bool read) = 0;
    // The summary's download mark and the store's (SetDownloadMark).
    virtual void SetDownloadMark(int index, bool marked) = 0;
    // DeleteMessage (result not checked), then the summary leaves the list.
    virtual void Delete(int index) = 0;
    // SortInboxList with its direction rule.
    virtual void Sort(SortKey key) = 0;
    // LoadMessageDocument with the message's entry ID.
    virtual void LoadMessageDocument(int index) = 0;
    virtual void LoadDefaultDocument() = 0;
};

// The Reader window's state and operations the Inbox window uses.
struct ReaderLink {
    platform::HWND readerWindow = nullptr;
    std::function<void()> stopPlayback;  // StopPlayback and clear `playing`
    std::function<void(std::int32_t)> requestBacklight;
    std::function<void(platform::HWND)> showCurrentFrame;  // invalidates the window given
    std::function<void()> hideKeyHelp;                     // helpFade = 255
    std::function<bool()> optionsMode;
    std::function<void()> collectWordFontAgain;  // at the next paint
    // The quit handling: StopPlayback, SaveSettings, RestoreBacklight with the event pulse,
    // ReleaseReaderResources.
    std::function<void()> quit;
    // Set when either window is deactivated; the Inbox window's next activation checks the
    // reload request and clears it. Shared with the Reader window (reader::WindowActivation).
    bool* firstActivation = nullptr;
};

// The About command: stops the flashing, ShowInboxDialog.
using AboutCommand = std::function<void(platform::HWND inbox)>;

class InboxWindow : public platform::Window {
  public:
    InboxWindow(platform::Screen& screen, platform::HINSTANCE instance, InboxMessages& messages,
                ReaderLink reader, AboutCommand about);
    ~InboxWindow() override;

    platform::LRESULT WindowProc(platform::UINT message, platform::WPARAM wParam,
                                 platform::LPARAM lParam) override;

    // The Reader window's "Mark as Unread" and "Delete Message": act on the row under the
    // selection mark, then show this window.
    void MarkSelectedUnread();
    void DeleteSelectedFromReader();

    // OpenMessageForReading: the selected message (or the default document) into the reader,
    // which is then shown.
    void OpenMessageForReading();

    // The Reader window, made after this one at start-up.
    void SetReaderWindow(platform::HWND reader) { reader_.readerWindow = reader; }

    platform::ListView* List() { return list_.get(); }
    platform::HWND MenuBar() const { return menuBar_; }
    bool ShowDates() const { return showDates_; }

  private:
    platform::LRESULT OnCreate();
    platform::LRESULT OnActivate(platform::WPARAM wParam);
    platform::LRESULT OnCommand(platform::WPARAM wParam, platform::LPARAM lParam);
    void OnPaint();
    void DrawItem(const platform::DRAWITEMSTRUCT& item);
    void FilterKey(platform::UINT virtualKey);
    // Index of the selected message, or -1 when the mark names no row.
    int SelectedIndex() const;
    void SelectItem(int index);
    void ReloadList();
    void RedrawAll();
    void DeleteRow(int index);

    platform::HINSTANCE instance_;
    InboxMessages& messages_;
    ReaderLink reader_;
    AboutCommand about_;
    platform::HWND menuBar_ = nullptr;
    std::unique_ptr<platform::ListView> list_;
    bool showDates_ = false;
    bool localFirstActivation_ = false;
};

}  // namespace velora::inbox
