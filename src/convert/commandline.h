#pragma once

// The converter's command line: every option, its value and every usage
// error, read in one place. Needs no QCoreApplication, so the program can
// decide how much of Qt to start from what it asks for.

#include <QString>
#include <QStringList>

namespace borovka {

struct ConvertCommand {
    enum Action {
        Help,    // --help: the usage on standard output, status 0
        Version, // --version: name and version on standard output, status 0
        Usage,   // not two files in the single-file form: the usage on standard error, status 2
        Error,   // a wrong option or value: `error` on standard error, status 2
        Single,  // INPUT OUTPUT
        Batch,   // --to FORMAT FILE... | -
    };
    Action action = Usage;
    QString error; // for Error, without the program's name

    bool verbose = false; // Qt's own messages shown too

    // Single
    QString input;
    QString output;

    // Batch
    QString format;      // without a leading dot, lower case
    QString outputDir;   // empty: next to each input
    int jobs = 0;        // 0: one per core
    bool recursive = false;
    bool force = false;
    QStringList names;   // files and folders as given, "-" left out
    bool fromStandardInput = false;
};

// Reads the arguments, the program's name first, as main() gets them.
ConvertCommand parseConvertCommand(const QStringList &arguments);

// What --help prints, in Czech and in English.
QString convertHelp();

// What --version prints, a line.
QString convertVersion();

} // namespace borovka
