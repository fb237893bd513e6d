#include "styles.h"

#include <QTextDocument>
#include <QTextFrame>

namespace model {

namespace {

const QString kNumber = QStringLiteral("number");
const QString kCharacter = QStringLiteral("character");
const QString kName = QStringLiteral("name");
const QString kBasedOn = QStringLiteral("basedOn");
const QString kNext = QStringLiteral("next");
const QString kOutline = QStringLiteral("outline");
const QString kChar = QStringLiteral("char");
const QString kBlock = QStringLiteral("block");

} // namespace

QList<Style> styles(const QTextDocument &doc)
{
    QList<Style> out;
    const QVariantList sheet = doc.rootFrame()->frameFormat().property(DocStyles).toList();
    out.reserve(sheet.size());
    for (const QVariant &v : sheet) {
        const QVariantMap m = v.toMap();
        Style s;
        s.number = m.value(kNumber).toInt();
        s.character = m.value(kCharacter).toBool();
        s.name = m.value(kName).toString();
        s.basedOn = m.value(kBasedOn, -1).toInt();
        s.next = m.value(kNext, -1).toInt();
        s.outline = m.value(kOutline, -1).toInt();
        s.chr = m.value(kChar).value<QTextCharFormat>();
        s.block = m.value(kBlock).value<QTextBlockFormat>();
        out.append(std::move(s));
    }
    return out;
}

QVariantList styleSheetValue(const QList<Style> &styles)
{
    QVariantList sheet;
    sheet.reserve(styles.size());
    for (const Style &s : styles) {
        QVariantMap m;
        m.insert(kNumber, s.number);
        m.insert(kCharacter, s.character);
        m.insert(kName, s.name);
        m.insert(kBasedOn, s.basedOn);
        m.insert(kNext, s.next);
        m.insert(kOutline, s.outline);
        m.insert(kChar, QVariant::fromValue(s.chr));
        if (!s.character)
            m.insert(kBlock, QVariant::fromValue(s.block));
        sheet.append(m);
    }
    return sheet;
}

} // namespace model
