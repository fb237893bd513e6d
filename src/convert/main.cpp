// borovka-convert: converts documents with the editor's own reader and writer.

#include "convert.h"

#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>

namespace {

const char *const Help =
    "Použití: borovka-convert VSTUP VÝSTUP\n"
    "Usage:   borovka-convert INPUT OUTPUT\n"
    "\n"
    "Převede dokument stejným kódem, jakým jej čte a ukládá Borovka KLN Editor.\n"
    "Converts a document with the same code Borovka KLN Editor reads and saves with.\n"
    "\n"
    "VSTUP / INPUT: RTF (.kln, .rtf) or plain text in UTF-8 or Windows-1250.\n"
    "Typ výstupu podle přípony / output type by extension:\n"
    "  .kln, .rtf   RTF as the editor saves it\n"
    "  .txt         plain text, UTF-8, as \"Uložit TXT\" writes it\n"
    "  .html        a self-contained HTML page with the formatting\n"
    "  .md          Markdown\n"
    "  .pdf         PDF, A4 with 2.5 cm margins, fonts embedded\n"
    "\n"
    "Exit status: 0 success, 1 the conversion failed (nothing is written), 2 wrong usage.\n";

} // namespace

int main(int argc, char *argv[])
{
    // Fonts and text layout need a GUI application, but never a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        std::fputs(Help, stdout);
        return 0;
    }
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
