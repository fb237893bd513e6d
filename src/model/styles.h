#pragma once

// The styles a document keeps by name (DocStyles), as every format's
// reader gives them and every writer writes them back.

#include "properties.h"

#include <QList>
#include <QString>
#include <QTextFormat>

class QTextDocument;

namespace model {

struct Style {
    int number = 0; // what StyleNumber / CharStyleNumber refer to
    bool character = false;
    QString name;
    int basedOn = -1; // a style's number, -1 for none
    int next = -1;
    int outline = -1; // 0..8, -1 for none
    QTextCharFormat chr;
    QTextBlockFormat block; // paragraph styles only
};

// The document's styles in the order the file gave them.
QList<Style> styles(const QTextDocument &doc);

// `styles` as the value of DocStyles on the root frame's format.
QVariantList styleSheetValue(const QList<Style> &styles);

} // namespace model
