#include "startup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // Help and version are answered before Qt's GUI starts: they need no display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (const std::optional<int> status = borovka::answerCommandLine(arguments))
        return *status;
    QApplication app(argc, argv);
    // The same once Qt has taken its own options (-platform, -style...) out.
    if (const std::optional<int> status = borovka::answerCommandLine(QApplication::arguments()))
        return *status;
    return borovka::runEditor(app);
}
