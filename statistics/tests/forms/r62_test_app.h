// The one QApplication of r62's window tests, made on first use and never
// destroyed: tearing Qt down during static destruction crashes. Numbers keep
// the decimal point, as the program's application object sees to.
#pragma once

#include <QApplication>
#include <clocale>

inline QApplication& r62TestApplication() {
    static int argc = 1;
    static char name[] = "r62";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        auto* made = new QApplication(argc, argv);
        std::setlocale(LC_NUMERIC, "C");
        return made;
    }();
    return *app;
}
