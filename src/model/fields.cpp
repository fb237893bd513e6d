#include "fields.h"

namespace model {

QStringList fieldArguments(const QString &instruction)
{
    QStringList args;
    QString current;
    bool quoted = false, any = false;
    for (qsizetype i = 0; i < instruction.size(); ++i) {
        const QChar c = instruction[i];
        if (c == u'"') {
            quoted = !quoted;
            any = true;
            continue;
        }
        if (c == u'\\' && i + 1 < instruction.size() && quoted) {
            current += instruction[++i]; // an escaped character within quotes
            continue;
        }
        if (!quoted && c.isSpace()) {
            if (any)
                args << current;
            current.clear();
            any = false;
            continue;
        }
        current += c;
        any = true;
    }
    if (any)
        args << current;
    return args;
}

QString hyperlinkTarget(const QString &instruction)
{
    const QStringList args = fieldArguments(instruction);
    if (args.isEmpty() || args[0].compare(QLatin1StringView("HYPERLINK"), Qt::CaseInsensitive) != 0)
        return {};
    QString address, place;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a.size() == 2 && a[0] == u'\\') {
            const QChar sw = a[1].toLower();
            // Switches with an argument: \l place, \o tooltip, \t target frame.
            if ((sw == u'l' || sw == u'o' || sw == u't') && i + 1 < args.size()) {
                if (sw == u'l')
                    place = args[i + 1];
                ++i;
            }
            continue;
        }
        if (address.isEmpty())
            address = a;
    }
    if (!place.isEmpty())
        address += u'#' + place;
    return address;
}

} // namespace model
