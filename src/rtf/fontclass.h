#pragma once

// RTF's font families (\froman, \fswiss, ...) as Qt's style hints, so a
// face that is not installed falls back to one of its kind rather than to
// the editor's typewriter face.

#include <QByteArray>
#include <QFont>
#include <QString>

namespace rtf::detail {

// A guess from the face's name, for fonts the file gives no family for.
inline QFont::StyleHint styleHintForFace(const QString &face)
{
    const QString f = face.toLower();
    auto has = [&f](const char *s) { return f.contains(QLatin1StringView(s)); };
    if (has("courier") || has("mono") || has("consol"))
        return QFont::TypeWriter;
    if (has("sans") || has("arial") || has("helvetica") || has("verdana") || has("tahoma"))
        return QFont::SansSerif;
    if (has("times") || has("serif") || has("georgia") || has("garamond"))
        return QFont::Serif;
    return QFont::AnyStyle;
}

// The font-table keyword for a style hint.
inline QByteArray familyKeyword(QFont::StyleHint hint, const QString &face)
{
    if (face.compare(QLatin1StringView("Symbol"), Qt::CaseInsensitive) == 0
        || face.contains(QLatin1StringView("dings"), Qt::CaseInsensitive))
        return "\\ftech";
    switch (hint) {
    case QFont::TypeWriter: return "\\fmodern";
    case QFont::SansSerif: return "\\fswiss";
    case QFont::Serif: return "\\froman";
    case QFont::Cursive: return "\\fscript";
    case QFont::Decorative: return "\\fdecor";
    default: return "\\fnil";
    }
}

} // namespace rtf::detail
