#include "startup.h"

#include "mainwindow.h"
#include "version.h"
#include "platform/qtdialogs.h"
#include "platform/spellcheck.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <QTranslator>

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
