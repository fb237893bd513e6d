#pragma once

#include "document/recovery.h"

#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>

class QApplication;

namespace borovka {

class Main;

// Qt's own Czech texts for the standard dialogs, buttons and menus.
void installCzechTranslations(QApplication &app);

// The document named on the command line: the arguments after the
// program's name joined by single blanks, otherwise as given.
QString commandLineText(const QStringList &arguments);

// The primary screen's size in twips (1440 per inch).
QSize screenSizeInTwips();

// The whole program after QApplication: the window, start-up with the
// command line, the event loop. `beforeShow` runs once start-up has loaded
// the document, just before the window is first shown. Recovery copies
// are written after `recovery` (tests shorten the delays).
int runEditor(QApplication &app, const std::function<void(Main &)> &beforeShow = {},
              RecoveryTimings recovery = {});

} // namespace borovka
