#include "mainwindow.h"

#include "version.h"
#include "platform/dialogservice.h"

namespace borovka {

QString aboutTitle()
{
    // Each number with its own decimal digits: minor 5 would read "0.5".
    return QStringLiteral("%1 %2.%3")
        .arg(QString::fromUtf8(version::Title))
        .arg(version::Major)
        .arg(version::Minor);
}

QString aboutText()
{
    return QStringLiteral("Textový editor pro elektronický časopis Sklipek od verze 1.20.\r\n"
                          "Naprogramoval vývojový tým Borovka KLN Editoru; stížnosti posílejte "
                          "poštou na adresu redakce časopisu Sklipek.");
}

void Main::mnabout_Click()
{
    CommonDialog1.service().messageBox(aboutText(), MsgBox::OkOnly, aboutTitle());
}

} // namespace borovka
