// borovka-convert: converts documents with the editor's own reader and writer.

#include "batch.h"
#include "convert.h"

#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

const char *const Help =
    "Použití: borovka-convert [--verbose] VSTUP VÝSTUP\n"
    "Usage:   borovka-convert [--verbose] INPUT OUTPUT\n"
    "         borovka-convert --to FORMAT [--output-dir DIR] [-j N] [--recursive] [--force] FILE... | -\n"
    "\n"
    "Převede dokument stejným kódem, jakým jej čte a ukládá Borovka KLN Editor.\n"
    "Converts a document with the same code Borovka KLN Editor reads and saves with.\n"
    "\n"
    "VSTUP / INPUT: RTF (.kln, .rtf) or plain text in UTF-8 or Windows-1250.\n"
    "Typ výstupu podle přípony / output type by extension:\n"
    "  .kln, .rtf   RTF as the editor saves it\n"
    "  .txt         plain text, UTF-8, as \"Uložit TXT\" writes it\n"
    "  .html        a self-contained HTML page with the formatting\n"
    "  .md          Markdown (CommonMark with ~~strikethrough~~ and tables)\n"
    "  .pdf         PDF, A4 with 2.5 cm margins, fonts embedded\n"
    "\n"
    "--verbose      show Qt's own messages too\n"
    "\n"
    "Dávkový převod / batch mode (--to html, md, txt, rtf or kln):\n"
    "  FILE...          files to convert; \"-\" reads their names from standard input, one a line\n"
    "  --output-dir DIR outputs go there, relative paths kept (default: next to each input)\n"
    "  --recursive      a FILE that is a folder: every .kln and .rtf file below it\n"
    "  -j N             N files at once (default: one per core)\n"
    "  --force          replace existing outputs (otherwise they are skipped and reported)\n"
    "  A file that fails is reported and the others go on; exit status 1 if any failed.\n"
    "\n"
    "Exit status: 0 success, 1 the conversion failed (nothing is written), 2 wrong usage.\n";

// Qt's own warnings (a missing XDG_RUNTIME_DIR, fonts, plug-ins) mean nothing
// to the user of a command-line tool; only --verbose lets them through.
void quiet(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "borovka-convert: %s\n", qPrintable(message));
        std::abort();
    }
}

bool wantsVerbose(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--verbose") == 0)
            return true;
    return false;
}

// The arguments of the single-file form (INPUT OUTPUT, --verbose left
// out), or nothing when there are options.
QStringList plainArguments(int argc, char *argv[])
{
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--verbose") == 0)
            continue;
        if (argv[i][0] == '-')
            return {};
        args << QString::fromLocal8Bit(argv[i]);
    }
    return args;
}

} // namespace

int main(int argc, char *argv[])
{
    if (!wantsVerbose(argc, argv))
        qInstallMessageHandler(quiet);
    // Fonts and text layout need a GUI application, but never a display;
    // text out of a file without pictures needs only Qt's core.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> app;
    if (const QStringList plain = plainArguments(argc, argv);
        plain.size() == 2 && borovka::convertsWithoutGui(plain.at(0), plain.at(1)))
        app = std::make_unique<QCoreApplication>(argc, argv);
    else
        app = std::make_unique<QGuiApplication>(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    args.removeAll(QStringLiteral("--verbose"));
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        std::fputs(Help, stdout);
        return 0;
    }
    if (borovka::isBatchCommand(args))
        return borovka::runBatchCommand(args);
    if (args.size() != 2) {
        std::fputs(Help, stderr);
        return 2;
    }
    const QString error = borovka::convertFile(args.at(0), args.at(1));
    if (!error.isEmpty()) {
        QTextStream(stderr) << "borovka-convert: " << error << Qt::endl;
        return 1;
    }
    return 0;
}
