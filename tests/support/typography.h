#pragma once

// Czech typography, typed and fixed: the one table of typed texts both the
// typing test and the whole-document command run, and small documents
// written in a markup of their own.
//
// Markup: "|" is where the cursor stands (the end when absent); "{b:…}" is
// bold text, "{l:…}" a hyperlink's text, "{f:…}" a field's shown result,
// "{p}" a kept piece (one object character).

#include "model/properties.h"

#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

namespace borovka::testing {

// The document's text with paragraphs on lines of their own; unlike
// toPlainText() it keeps non-breaking spaces.
inline QString rawText(const QTextDocument &doc)
{
    QString text = doc.toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    return text;
}

// Types `keys` one key at a time, as a keyboard would: letters outside
// ASCII ("ř") as keys that carry their text, "\n" as Enter.
inline void typeKeys(QWidget *widget, const QString &keys)
{
    for (const QChar ch : keys) {
        if (ch == u'\n')
            QTest::keyClick(widget, Qt::Key_Return);
        else if (ch.unicode() < 0x80)
            QTest::keyClick(widget, char(ch.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
}

// Writes `markup` into the empty `doc`; returns the cursor at the marker.
inline QTextCursor writeMarkup(QTextDocument &doc, const QString &markup)
{
    QTextCursor c(&doc);
    const QTextCharFormat plain = c.charFormat();
    int marker = -1;
    QTextCharFormat format = plain;
    for (qsizetype i = 0; i < markup.size(); ++i) {
        const QChar ch = markup[i];
        if (ch == u'|') {
            marker = c.position();
        } else if (ch == u'{' && i + 2 < markup.size() && markup[i + 2] == u'}') {
            QTextCharFormat piece = plain;
            piece.setObjectType(model::PieceObject);
            piece.setProperty(model::OpaqueText, QStringLiteral("kus"));
            c.insertText(QString(QChar::ObjectReplacementCharacter), piece);
            i += 2;
        } else if (ch == u'{' && i + 2 < markup.size() && markup[i + 2] == u':') {
            format = plain;
            switch (markup[i + 1].unicode()) {
            case 'b': format.setFontWeight(QFont::Bold); break;
            case 'l':
                format.setAnchor(true);
                format.setAnchorHref(QStringLiteral("https://sklipek.cz/\"odkaz\"..."));
                break;
            case 'f':
                format.setProperty(model::WrapId, 1);
                format.setProperty(model::FieldInstruction, QStringLiteral("QUOTE \"a - b\""));
                break;
            }
            i += 2;
        } else if (ch == u'}') {
            format = plain;
        } else if (ch == u'\n') {
            c.insertBlock();
        } else {
            c.insertText(QString(ch), format);
        }
    }
    if (marker >= 0)
        c.setPosition(marker);
    doc.clearUndoRedoStacks();
    return c;
}

// The typed texts: what the document holds before ("start", markup), the
// keys typed at the cursor, the text they leave, and the text after one
// Ctrl+Z right after. Each row ends with the character that makes its
// correction, so that Ctrl+Z takes back exactly that correction.
inline void typedTexts()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("undone");

    const QString nbsp(QChar(0x00A0));
    auto row = [](const char *name, const QString &start, const QString &keys, const QString &expected,
                  const QString &undone) { QTest::newRow(name) << start << keys << expected << undone; };

    row("preposition v", "", "jdu v ", "jdu v" + nbsp, "jdu v ");
    row("capital K at the start", "", "K ", "K" + nbsp, "K ");
    row("every letter", "", "k s v z o u a i ",
        QStringLiteral("k\u00A0s\u00A0v\u00A0z\u00A0o\u00A0u\u00A0a\u00A0i\u00A0"),
        QStringLiteral("k\u00A0s\u00A0v\u00A0z\u00A0o\u00A0u\u00A0a\u00A0i "));
    row("capitals after bracket", "", "(S ", "(S" + nbsp, "(S ");
    row("after a comma and space", "", "ty, a ", "ty, a" + nbsp, "ty, a ");
    row("other one-letter word", "", "bod x ", "bod x ", "");
    row("end of a word", "", "pes ", "pes ", "");
    row("letter after a digit", "", "5a ", "5a ", "");
    row("double quotes", "", "\"ahoj\"", QStringLiteral("„ahoj“"), QStringLiteral("„ahoj\""));
    row("double quote after a space", "", "řekl \"", QStringLiteral("řekl „"), QStringLiteral("řekl \""));
    row("double quote after bracket", "", "(\"", QStringLiteral("(„"), QStringLiteral("(\""));
    row("empty pair", "", "\"\"", QStringLiteral("„“"), QStringLiteral("„\""));
    row("single quotes", "", "'ahoj' ", QStringLiteral("‚ahoj‘ "), QStringLiteral("‚ahoj' "));
    row("single inside double", "", "\"'", QStringLiteral("„‚"), QStringLiteral("„'"));
    row("closing single after a dot", "", "'no.'", QStringLiteral("‚no.‘"), QStringLiteral("‚no.'"));
    row("apostrophe", "", "don't", QStringLiteral("don’t"), QStringLiteral("don't"));
    row("closing quote before a quote", "", "\"'to'\"", QStringLiteral("„‚to‘“"), QStringLiteral("„‚to'\""));
    row("quote at paragraph start", "konec\n|", "\"", QStringLiteral("konec\n„"), QStringLiteral("konec\n\""));
    row("quote decided by a new paragraph", "", "'ahoj'\n", QStringLiteral("‚ahoj‘\n"),
        QStringLiteral("‚ahoj'\n"));
    row("en dash", "", "1 - ", QStringLiteral("1 – "), QStringLiteral("1 - "));
    row("hyphen in a word", "", "česko-slovenský ", "česko-slovenský ", "");
    row("hyphen before a space", "", "1- ", "1- ", "");
    row("ellipsis", "", "no...", QStringLiteral("no…"), QStringLiteral("no..."));
    row("fourth dot", "", "no....", QStringLiteral("no…."), QStringLiteral("no…"));
    row("two dots", "", "a..", "a..", "");
    row("in the middle of text", "jdu|lesem", " v ", QStringLiteral("jdu v\u00A0lesem"), QStringLiteral("jdu v lesem"));
    row("quote in a hyperlink", "{l:od|kaz}", "\"", "od\"kaz", "odkaz");
    row("space in a hyperlink", "{l:a|b}", " ", "a b", "ab");
    row("hyphen in a hyperlink", "{l:x -| y}", " ", "x -  y", "x - y");
    row("dots in a hyperlink", "{l:no|}x", "...", "no...x", "nox");
    row("quote in a field", "{f:PA|GE}", "\"", "PA\"GE", "PAGE");
}

} // namespace borovka::testing
