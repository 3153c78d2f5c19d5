#pragma once
// The one Qt application of a test program, made on first use (offscreen unless the environment
// names a platform) and kept for the whole run.

#include <QApplication>

namespace velora::testing {

inline QApplication& GuiApplication() {
    static int argc = 1;
    static char name[] = "velora_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *app;
}

}  // namespace velora::testing
