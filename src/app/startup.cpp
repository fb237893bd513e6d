#include "startup.h"

#include "mainwindow.h"
#include "version.h"
#include "platform/qtdialogs.h"
#include "platform/spellcheck.h"

#include <QApplication>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <QTranslator>

#include <cstdio>

namespace borovka {

void installCzechTranslations(QApplication &app)
{
    const QLocale czech(QLocale::Czech, QLocale::CzechRepublic);
    QLocale::setDefault(czech);
    auto *translator = new QTranslator(&app);
    if (translator->load(czech, QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(translator);
    else
        delete translator;
}

QString commandLineText(const QStringList &arguments)
{
    return arguments.mid(1).join(QLatin1Char(' '));
}

EditorRequest editorRequest(const QStringList &arguments)
{
    if (arguments.size() != 2)
        return EditorRequest::Run;
    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOptions({help, version});
    if (!parser.parse(arguments) || !parser.positionalArguments().isEmpty() || parser.optionNames().size() != 1)
        return EditorRequest::Run;
    // Spelt as such: "--h" or "-help" is a file's name, as it always was.
    const QString name = parser.optionNames().first();
    if (arguments.at(1) != (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name)
        return EditorRequest::Run;
    return parser.isSet(help) ? EditorRequest::Help : EditorRequest::Version;
}

QString editorHelp()
{
    return QStringLiteral(
        "Použití: borovka-editor [DOKUMENT]\n"
        "Usage:   borovka-editor [DOCUMENT]\n"
        "         borovka-editor --help | --version\n"
        "\n"
        "Textový editor pro elektronický časopis Sklipek.\n"
        "A word processor for the Sklipek electronic magazine.\n"
        "\n"
        "DOKUMENT: celý zbytek příkazové řádky, přesně jak je napsán.\n"
        "DOCUMENT: the whole rest of the command line, exactly as written:\n"
        "          RTF (.kln, .rtf) or plain text in UTF-8 or Windows-1250.\n"
        "\n"
        "-h, --help     this text, then exit\n"
        "-v, --version  the program's name and version, then exit\n"
        "               (each only alone on the command line; anything else names a document)\n");
}

QString editorVersion()
{
    return QStringLiteral("borovka-editor %1\n").arg(QString::fromUtf8(version::String));
}

std::optional<int> answerCommandLine(const QStringList &arguments)
{
    switch (editorRequest(arguments)) {
    case EditorRequest::Help:
        std::fputs(qPrintable(editorHelp()), stdout);
        return 0;
    case EditorRequest::Version:
        std::fputs(qPrintable(editorVersion()), stdout);
        return 0;
    case EditorRequest::Run:
        break;
    }
    return std::nullopt;
}

QSize screenSizeInTwips()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {};
    const QSize pixels = screen->size();
    const qreal dpi = screen->logicalDotsPerInch();
    if (dpi <= 0)
        return {};
    return {qRound(pixels.width() * 1440 / dpi), qRound(pixels.height() * 1440 / dpi)};
}

int runEditor(QApplication &app, const std::function<void(Main &)> &beforeShow,
              RecoveryTimings recoveryTimings)
{
    QApplication::setApplicationName(QStringLiteral("borovka-editor"));
    QApplication::setApplicationVersion(
        QStringLiteral("%1.%2").arg(version::Major).arg(version::Minor));
    QApplication::setDesktopFileName(QStringLiteral("borovka-editor"));
    installCzechTranslations(app);

    QtDialogs dialogs;
    Main window(dialogs);
    dialogs.setParent(&window);
    QObject::connect(&window, &Main::programEnded, &app, [] { QCoreApplication::exit(0); });

    Recovery recovery(window.files, *window.Rich1, dialogs, Recovery::defaultFolder(), recoveryTimings);

    if (!window.Form_Load(commandLineText(QApplication::arguments()), screenSizeInTwips()))
        return 0;
    // A copy left by a crashed editor is offered before the writer starts again.
    recovery.offerLeftCopies(window);
    // The dictionary loads beside the first keystrokes, not before them.
    window.spelling->loadInBackground(SpellDictionary::czechAff(), SpellDictionary::czechDic());
    if (beforeShow)
        beforeShow(window);
    window.showAtStart();
    const int result = app.exec();
    // A normal end leaves no copy behind.
    recovery.finish();
    return result;
}

} // namespace borovka
