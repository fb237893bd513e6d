// An editor that types into its document and then waits to be killed:
// the real program with the recovery delays shortened.

#include "app/mainwindow.h"
#include "app/startup.h"
#include "platform/richtextbox.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    return borovka::runEditor(
        app, [](borovka::Main &main) { main.Rich1->insertPlainText(QStringLiteral("Zachráněný text ")); },
        {20, 20, 0, 0});
}
