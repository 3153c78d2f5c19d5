#pragma once
// The device screen on the desktop: a widget showing Screen::Compose() scaled by a whole number
// with nearest-neighbour sampling, so every phone pixel stays a crisp square. Keys: Enter is the
// Action press (VK_RETURN), the arrows the Action tilts, F1 and F2 the soft keys (the labels can be
// clicked), Escape the Back key. Closing the widget shuts the program down as the phone did
// (Screen::RequestShutdown); the widget's focus is the desktop focus of the windows.

#include <QWidget>
#include <memory>

#include "platform/base/file_io.h"
#include "platform/ui/screen.h"

class QSocketNotifier;

namespace velora::platform {

inline constexpr int kDefaultScreenScale = 3;

class DeviceScreenWidget : public QWidget {
  public:
    DeviceScreenWidget(Screen& screen, int scale = kDefaultScreenScale, QWidget* parent = nullptr);
    ~DeviceScreenWidget() override;

    int Scale() const { return scale_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    Screen& screen_;
    int scale_;
};

// While it lives, SIGTERM and SIGINT end the program through Screen::RequestShutdown on the event
// loop (a self-pipe: the signal handler only writes a byte). Its destruction gives both their
// default action again and closes the pipe; it must go before the screen and the Qt application.
// One at a time.
class ShutdownSignals {
  public:
    explicit ShutdownSignals(Screen& screen);
    ~ShutdownSignals();
    ShutdownSignals(const ShutdownSignals&) = delete;
    ShutdownSignals& operator=(const ShutdownSignals&) = delete;

  private:
    // The pipe's ends outlive the notifier that watches the read end.
    UniqueFd readEnd_;
    UniqueFd writeEnd_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace velora::platform
