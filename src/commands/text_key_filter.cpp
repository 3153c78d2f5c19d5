#include "commands/text_key_filter.h"

#include <QKeyEvent>
#include <QWidget>

#include "platform/ui/screen.h"

namespace velora::commands {

using namespace velora::platform;

namespace {

class TextKeyFilter : public QObject {
  public:
    explicit TextKeyFilter(Screen& screen) : screen_(screen) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
        auto* key = static_cast<QKeyEvent*>(event);
        HWND target = screen_.Focus() != nullptr ? screen_.Focus() : screen_.Active();
        if (target == nullptr) return false;
        constexpr LPARAM kHeld = LPARAM{1} << 30;
        if (key->key() == Qt::Key_Backspace) {
            SendMessage(target, WM_KEYDOWN, VK_BACK, key->isAutoRepeat() ? kHeld : 0);
            return true;
        }
        if (key->key() == Qt::Key_Escape && key->isAutoRepeat() &&
            target->GetKind() == Window::Kind::Dialog) {
            SendMessage(target, WM_KEYDOWN, VK_BACK, kHeld);
            return true;
        }
        const QString text = key->text();
        if (text.isEmpty() || (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            return false;
        }
        bool sent = false;
        for (QChar character : text) {
            if (character.unicode() < 0x20 || character.unicode() == 0x7F) continue;
            SendMessage(target, WM_CHAR, character.unicode(), 0);
            sent = true;
        }
        return sent;
    }

  private:
    Screen& screen_;
};

}  // namespace

void InstallTextKeyFilter(QWidget& widget, Screen& screen) {
    auto* filter = new TextKeyFilter(screen);
    filter->setParent(&widget);  // owned by the widget, deleted with it
    widget.installEventFilter(filter);
}

}  // namespace velora::commands
