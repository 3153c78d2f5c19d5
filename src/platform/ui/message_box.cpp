#include "platform/ui/message_box.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include "platform/base/program_services.h"

namespace velora::platform {

int RecordingMessageBoxes::Show(HWND owner, std::u16string_view text, std::u16string_view caption,
                                UINT type) {
    boxes.push_back(Box{owner, std::u16string(text), std::u16string(caption), type});
    return answer;
}

namespace {

QString ToQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// The desktop window the program shows: the active one, else the first visible top-level one.
QWidget* OwnerWidget() {
    if (QWidget* active = QApplication::activeWindow()) return active;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && widget->isWindow()) return widget;
    }
    return nullptr;
}

// Gives the keyboard focus back to `window` when it goes out of scope.
class FocusReturn {
  public:
    explicit FocusReturn(QWidget* window) : window_(window) {}
    FocusReturn(const FocusReturn&) = delete;
    FocusReturn& operator=(const FocusReturn&) = delete;
    ~FocusReturn() {
        if (window_.isNull() || !window_->isVisible()) return;
        window_->raise();
        window_->activateWindow();
    }

  private:
    QPointer<QWidget> window_;
};

// Qt message boxes; without a widget application there is nobody to ask, and the box counts as
// answered with its first button.
class QtMessageBoxes : public MessageBoxService {
  public:
    int Show(HWND, std::u16string_view text, std::u16string_view caption, UINT type) override {
        const UINT buttons = type & 0x0F;
        if (!qobject_cast<QApplication*>(QCoreApplication::instance()) ||
            QGuiApplication::platformName() == QStringLiteral("offscreen"))
            return buttons == MB_YESNO ? IDYES : IDOK;
        // The window the box belongs to gets the keyboard back when the box closes. A window
        // manager would do it; without one the focus would stay with the closed box.
        const QPointer<QWidget> owner = OwnerWidget();
        const FocusReturn focusReturn(owner);
        QMessageBox box(owner);
        box.setWindowTitle(ToQString(caption));
        QString shown = ToQString(text);
        shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        shown.replace(u'\r', u'\n');
        box.setText(shown);
        switch (type & 0xF0) {
            case MB_ICONERROR:
                box.setIcon(QMessageBox::Critical);
                break;
            case MB_ICONQUESTION:
                box.setIcon(QMessageBox::Question);
                break;
            case MB_ICONWARNING:
                box.setIcon(QMessageBox::Warning);
                break;
            case MB_ICONINFORMATION:
                box.setIcon(QMessageBox::Information);
                break;
            default:
                break;
        }
        if (buttons == MB_YESNO) {
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            return box.exec() == QMessageBox::Yes ? IDYES : IDNO;
        }
        if (buttons == MB_OKCANCEL) {
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            return box.exec() == QMessageBox::Ok ? IDOK : IDCANCEL;
        }
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        return IDOK;
    }
};

const CursorShape kArrow = CursorShape::Arrow;
const CursorShape kWait = CursorShape::Wait;

// The cursor SetCursor showed last.
struct CursorState {
    HCURSOR shown = nullptr;
};

}  // namespace

int MessageBoxW(HWND owner, const char16_t* text, const char16_t* caption, UINT type) {
    QtMessageBoxes qtBoxes;
    MessageBoxService* installed = CurrentProgramServices().Get<MessageBoxServices>().service;
    MessageBoxService* service = installed != nullptr ? installed : &qtBoxes;
    return service->Show(owner, text ? std::u16string_view(text) : std::u16string_view(),
                         caption ? std::u16string_view(caption) : std::u16string_view(), type);
}

HCURSOR LoadCursor(void*, int cursorId) {
    if (cursorId == IDC_WAIT) return &kWait;
    if (cursorId == IDC_ARROW) return &kArrow;
    return nullptr;
}

HCURSOR SetCursor(HCURSOR cursor) {
    HCURSOR& shown = CurrentProgramServices().Get<CursorState>().shown;
    const HCURSOR previous = shown;
    const bool wasWaiting = previous == &kWait;
    const bool waiting = cursor == &kWait;
    shown = cursor;
    if (wasWaiting != waiting && qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        if (waiting)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QGuiApplication::restoreOverrideCursor();
    }
    return previous;
}

}  // namespace velora::platform
