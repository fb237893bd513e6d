#include "mainwindow.h"
#include "qtdialogs.h"
#include "startup.h"
#include "version.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("borovka-editor"));
    QApplication::setApplicationVersion(
        QStringLiteral("%1.%2").arg(borovka::version::Major).arg(borovka::version::Minor));
    QApplication::setDesktopFileName(QStringLiteral("borovka-editor"));
    borovka::installCzechTranslations(app);

    borovka::QtDialogs dialogs;
    borovka::Main window(dialogs);
    dialogs.setParent(&window);
    QObject::connect(&window, &borovka::Main::programEnded, &app, [] { QCoreApplication::exit(0); });

    if (!window.Form_Load(borovka::commandLineText(QApplication::arguments()),
                          borovka::screenSizeInTwips()))
        return 0;
    window.showAtStart();
    return app.exec();
}
