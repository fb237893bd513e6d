#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

class QApplication;

namespace borovka {

// Qt's own Czech texts for the standard dialogs, buttons and menus.
void installCzechTranslations(QApplication &app);

// The document named on the command line: the arguments after the
// program's name joined by single blanks, otherwise as given.
QString commandLineText(const QStringList &arguments);

// The primary screen's size in twips (1440 per inch).
QSize screenSizeInTwips();

} // namespace borovka
