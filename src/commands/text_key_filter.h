#pragma once
// Keys the device screen leaves alone but the dialogs' edit control needs: typed characters
// (WM_CHAR) and the backspace; the Back key held down (Escape repeating) clears the edit control
// as holding the phone's Back key did.

class QWidget;

namespace velora::platform {
class Screen;
}

namespace velora::commands {

// Filters the key presses of `widget` (the desktop window showing `screen`); the filter is owned
// by the widget and goes with it.
void InstallTextKeyFilter(QWidget& widget, platform::Screen& screen);

}  // namespace velora::commands
