#include "platform/desktop/device_screen.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QSocketNotifier>
#include <csignal>
#include <optional>

#include "platform/base/program_services.h"
#include "platform/gdi/fonts.h"
#include "platform/ui/menu_bar.h"

namespace velora::platform {

DeviceScreenWidget::DeviceScreenWidget(Screen& screen, int scale, QWidget* parent)
    : QWidget(parent), screen_(screen), scale_(std::max(scale, 1)) {
    setFixedSize(kScreenWidth * scale_, kScreenHeight * scale_);
    setFocusPolicy(Qt::StrongFocus);
    setWindowTitle(QStringLiteral("Velora"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    screen_.SetChangedHandler([this] { update(); });
    // The drop-down pop-ups open as a menu over the right soft key.
    PopupMenuChooser& chooser = CurrentProgramServices().Get<MenuBarServices>().popupMenuChooser;
    chooser = [this](const std::vector<MenuItem>& items) -> std::optional<UINT> {
        QMenu menu(this);
        QFont font = ToQFont(DefaultFont());
        font.setPixelSize(font.pixelSize() * scale_);
        menu.setFont(font);
        for (const MenuItem& item : items) {
            if (item.separator) {
                menu.addSeparator();
                continue;
            }
            QAction* action = menu.addAction(
                QString::fromUtf16(item.text.data(), static_cast<qsizetype>(item.text.size())));
            action->setData(item.id);
        }
        const QSize size = menu.sizeHint();
        const QPoint corner = mapToGlobal(QPoint(
            width() - size.width(), (kCaptionHeight + kClientHeight) * scale_ - size.height()));
        QAction* chosen = menu.exec(corner);
        if (!chosen) return std::nullopt;
        return chosen->data().toUInt();
    };
}

DeviceScreenWidget::~DeviceScreenWidget() {
    screen_.SetChangedHandler({});
    CurrentProgramServices().Get<MenuBarServices>().popupMenuChooser = {};
}

void DeviceScreenWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    // Nearest-neighbour scaling of the logical picture: every phone pixel a crisp square.
    const QImage picture = screen_.Compose();
    p.drawImage(rect(), picture.scaled(picture.width() * scale_, picture.height() * scale_,
                                       Qt::IgnoreAspectRatio, Qt::FastTransformation));
}

namespace {
std::optional<UINT> ActionKey(int key) {
    switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return VK_RETURN;
        case Qt::Key_Left:
            return VK_LEFT;
        case Qt::Key_Up:
            return VK_UP;
        case Qt::Key_Right:
            return VK_RIGHT;
        case Qt::Key_Down:
            return VK_DOWN;
        default:
            return std::nullopt;
    }
}
}  // namespace

void DeviceScreenWidget::keyPressEvent(QKeyEvent* event) {
    const Screen::KeyRepeat repeat =
        event->isAutoRepeat() ? Screen::KeyRepeat::Repeat : Screen::KeyRepeat::First;
    if (const std::optional<UINT> key = ActionKey(event->key())) {
        screen_.KeyDown(*key, repeat);
    } else if (event->key() == Qt::Key_F1 || event->key() == Qt::Key_F2) {
        if (!event->isAutoRepeat()) screen_.PressSoftKey(event->key() == Qt::Key_F1 ? 0 : 1);
    } else if (event->key() == Qt::Key_Escape) {
        screen_.BackDown(repeat);
    } else {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void DeviceScreenWidget::keyReleaseEvent(QKeyEvent* event) {
    // Auto-repeat comes as release and press pairs; only the real release counts.
    if (event->isAutoRepeat()) {
        event->accept();
        return;
    }
    if (const std::optional<UINT> key = ActionKey(event->key())) {
        screen_.KeyUp(*key);
    } else if (event->key() == Qt::Key_Escape) {
        screen_.BackUp();
    } else {
        QWidget::keyReleaseEvent(event);
        return;
    }
    event->accept();
}

void DeviceScreenWidget::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint() / scale_;
    if (event->button() == Qt::LeftButton && at.y() >= kCaptionHeight + kClientHeight) {
        screen_.PressSoftKey(at.x() < kScreenWidth / 2 ? 0 : 1);
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void DeviceScreenWidget::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    screen_.SetDesktopFocus(true);
}

void DeviceScreenWidget::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    // A pop-up menu of our own takes the focus for a moment; that is not leaving the program.
    if (event->reason() == Qt::PopupFocusReason) return;
    screen_.SetDesktopFocus(false);
}

void DeviceScreenWidget::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        screen_.SetDesktopFocus(true);
}

void DeviceScreenWidget::closeEvent(QCloseEvent* event) {
    // The program ends as the phone ended it; the loop's end closes the widget.
    event->ignore();
    screen_.RequestShutdown();
}

namespace {
// The write end of the live ShutdownSignals' self-pipe (-1 when there is none): all the signal
// handler may touch. In static storage because a signal handler can reach nothing else (no lock,
// no services lookup).
volatile std::sig_atomic_t signalWriteEnd = -1;

void OnShutdownSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalWriteEnd, &byte, 1);
}

void SetShutdownHandler(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}
}  // namespace

ShutdownSignals::ShutdownSignals(Screen& screen) {
    int ends[2] = {-1, -1};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return;
    readEnd_.Reset(ends[0]);
    writeEnd_.Reset(ends[1]);
    notifier_ = std::make_unique<QSocketNotifier>(readEnd_.Get(), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                     [&screen, readEnd = readEnd_.Get()] {
                         char byte = 0;
                         [[maybe_unused]] const auto got = ::read(readEnd, &byte, 1);
                         screen.RequestShutdown();
                     });
    signalWriteEnd = writeEnd_.Get();
    SetShutdownHandler(OnShutdownSignal);
}

ShutdownSignals::~ShutdownSignals() {
    if (!notifier_) return;
    SetShutdownHandler(SIG_DFL);
    signalWriteEnd = -1;
    notifier_.reset();
}

}  // namespace velora::platform
