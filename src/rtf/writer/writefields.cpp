// Fields: a hyperlink's text as the result of a HYPERLINK field, whose
// instruction holds the address and, after \l, the place in the document.
// Other fields are kept pieces (writeopaque.cpp).

#include "writerimpl.h"

namespace rtf::detail {

namespace {

// Quotes would end the argument; backslashes are the field's escapes.
QString quoted(QString argument)
{
    argument.replace(u'\\', QLatin1StringView("\\\\")).replace(u'"', QLatin1StringView("%22"));
    return u'"' + argument + u'"';
}

void appendHyperlinkInstruction(QByteArray &out, const QString &href)
{
    QString target = href;
    QString place;
    if (const qsizetype hash = target.indexOf(u'#'); hash >= 0) {
        place = target.mid(hash + 1);
        target.truncate(hash);
    }
    out += "HYPERLINK ";
    if (!target.isEmpty())
        appendEscaped(out, quoted(target));
    if (!place.isEmpty() || target.isEmpty()) {
        out += target.isEmpty() ? "\\\\l " : " \\\\l ";
        appendEscaped(out, quoted(place));
    }
}

} // namespace

void switchLink(QByteArray &out, Runs &runs, const QString &href)
{
    if (href == runs.link)
        return;
    closeLink(out, runs);
    if (href.isEmpty())
        return;
    runs.endShift(out); // the field's group ends with the state before it
    out += "{\\field{\\*\\fldinst ";
    appendHyperlinkInstruction(out, href);
    out += "}{\\fldrslt ";
    runs.link = href;
    runs.code = nullptr;
}

void closeLink(QByteArray &out, Runs &runs)
{
    if (runs.link.isEmpty())
        return;
    out += "}}";
    runs.link.clear();
    runs.code = nullptr; // the field's group ended the format
    runs.shifted = false;
}

} // namespace rtf::detail
