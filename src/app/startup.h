#pragma once

#include "document/recovery.h"

#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QApplication;

namespace borovka {

class Main;

// Qt's own Czech texts for the standard dialogs, buttons and menus.
void installCzechTranslations(QApplication &app);

// The document named on the command line: the arguments after the
// program's name joined by single blanks, otherwise as given.
QString commandLineText(const QStringList &arguments);

// What a command line asks of the editor: to run (with the document it
// names, or none), or only its help or version. Help and version only for
// a command line that is exactly -h, --help, -v or --version; any other,
// a name that starts with a dash included, names a document.
enum class EditorRequest { Run, Help, Version };
EditorRequest editorRequest(const QStringList &arguments);

// What --help and --version print.
QString editorHelp();
QString editorVersion();

// Prints the help or the version when the command line asks for it and
// returns the exit status; nothing when the editor is to run.
std::optional<int> answerCommandLine(const QStringList &arguments);

// The primary screen's size in twips (1440 per inch).
QSize screenSizeInTwips();

// The whole program after QApplication: the window, start-up with the
// command line, the event loop. `beforeShow` runs once start-up has loaded
// the document, just before the window is first shown. Recovery copies
// are written after `recovery` (tests shorten the delays).
int runEditor(QApplication &app, const std::function<void(Main &)> &beforeShow = {},
              RecoveryTimings recovery = {});

} // namespace borovka
