#pragma once
// Shared by the screen, painter and soft-key tests: a Qt GUI application (offscreen) made before
// the first test, a screen on a test clock, and a window that logs the messages it receives.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "harness/gui_application.h"
#include "platform/ui/screen.h"
#include "platform/ui/window.h"

namespace velora::platform::testing_support {

using velora::testing::GuiApplication;

// Records every message as "<name> <message name> <details>" in one log shared by the windows
// of a test; handlers may be hooked per message.
class LoggingWindow : public Window {
  public:
    LoggingWindow(Screen& screen, std::string name, std::vector<std::string>& log,
                  Kind kind = Kind::TopLevel)
        : Window(screen, std::u16string(name.begin(), name.end()), kind),
          name_(std::move(name)),
          log_(log) {}

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        log_.push_back(name_ + " " + Describe(message, wParam, lParam));
        if (onMessage) {
            if (auto result = onMessage(message, wParam, lParam)) return *result;
        }
        return DefWindowProc(message, wParam, lParam);
    }

    std::function<std::optional<LRESULT>(UINT, WPARAM, LPARAM)> onMessage;

  private:
    static std::string Describe(UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
            case WM_ACTIVATE: {
                auto* other = reinterpret_cast<Window*>(lParam);
                std::string text = LOWORD(wParam) == WA_INACTIVE ? "INACTIVE" : "ACTIVE";
                if (other) {
                    const std::u16string& title = other->Title();
                    text += " other=" + std::string(title.begin(), title.end());
                }
                return text;
            }
            case WM_KEYDOWN:
                return "KEYDOWN " + std::to_string(wParam);
            case WM_KEYUP:
                return "KEYUP " + std::to_string(wParam);
            case WM_COMMAND:
                return "COMMAND " + std::to_string(wParam);
        }
        static const std::map<UINT, std::string> kNames = {{WM_CREATE, "CREATE"},
                                                           {WM_PAINT, "PAINT"},
                                                           {WM_ERASEBKGND, "ERASEBKGND"},
                                                           {WM_QUIT, "QUIT"},
                                                           {WM_CLOSE, "CLOSE"}};
        const auto found = kNames.find(message);
        return found != kNames.end() ? found->second : "MSG " + std::to_string(message);
    }

    std::string name_;
    std::vector<std::string>& log_;
};

}  // namespace velora::platform::testing_support
