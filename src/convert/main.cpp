// borovka-convert: converts documents with the editor's own reader and writer.

#include "batch.h"
#include "commandline.h"
#include "convert.h"

#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

// Qt's own warnings (a missing XDG_RUNTIME_DIR, fonts, plug-ins) mean nothing
// to the user of a command-line tool; only --verbose lets them through.
void quiet(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "borovka-convert: %s\n", qPrintable(message));
        std::abort();
    }
}

} // namespace

int main(int argc, char *argv[])
{
    // Read before Qt starts: what is asked decides how much of it starts.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const borovka::ConvertCommand command = borovka::parseConvertCommand(arguments);
    if (!command.verbose)
        qInstallMessageHandler(quiet);
    switch (command.action) {
    case borovka::ConvertCommand::Help:
        std::fputs(qPrintable(borovka::convertHelp()), stdout);
        return 0;
    case borovka::ConvertCommand::Version:
        std::fputs(qPrintable(borovka::convertVersion()), stdout);
        return 0;
    case borovka::ConvertCommand::Usage:
        std::fputs(qPrintable(borovka::convertHelp()), stderr);
        return 2;
    case borovka::ConvertCommand::Error:
        std::fprintf(stderr, "borovka-convert: %s\n", qPrintable(command.error));
        return 2;
    case borovka::ConvertCommand::Single:
    case borovka::ConvertCommand::Batch:
        break;
    }

    // Fonts and text layout need a GUI application, but never a display;
    // text out of a file without pictures needs only Qt's core.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> app;
    if (command.action == borovka::ConvertCommand::Single
        && borovka::convertsWithoutGui(command.input, command.output))
        app = std::make_unique<QCoreApplication>(argc, argv);
    else
        app = std::make_unique<QGuiApplication>(argc, argv);

    if (command.action == borovka::ConvertCommand::Batch)
        return borovka::runBatchCommand(command);
    const QString error = borovka::convertFile(command.input, command.output);
    if (!error.isEmpty()) {
        QTextStream(stderr) << "borovka-convert: " << error << Qt::endl;
        return 1;
    }
    return 0;
}
