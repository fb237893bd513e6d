#pragma once

// What the RTF tests share: fixtures, a document's text by paragraph, and
// the format of one character.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace rtftest {

// A file of tests/rtf/data.
inline QByteArray fixture(const QString &name)
{
    QFile f(QStringLiteral(RTF_TEST_DATA "/") + name);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", qPrintable(name));
    return f.readAll();
}

// The paragraphs' text joined by "\n"; U+2028 and other characters stay.
inline QString textOf(const QTextDocument &doc)
{
    QStringList blocks;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        blocks << b.text();
    return blocks.join(u'\n');
}

// The format of the character at `pos`.
inline QTextCharFormat formatAt(const QTextDocument &doc, int pos)
{
    QTextCursor c(const_cast<QTextDocument *>(&doc));
    c.setPosition(pos + 1);
    return c.charFormat();
}

// A byte string with the NUL bytes of its literal.
template <size_t N>
QByteArray raw(const char (&s)[N])
{
    return QByteArray(s, N - 1);
}

} // namespace rtftest
