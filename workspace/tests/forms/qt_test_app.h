// The one QApplication of a test program, made on first use and never
// destroyed: tearing Qt down during static destruction crashes.
#pragma once

#include <QApplication>

inline QApplication& testApplication() {
    static int argc = 1;
    static char name[] = "vantu";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}
