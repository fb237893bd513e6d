#pragma once

// Fonts need a GUI application; the offscreen platform needs no display.

#include <QGuiApplication>

#include <cstdlib>

inline void startGuiApplication()
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
}
