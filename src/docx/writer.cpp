#include "docx.h"

#include <QTextDocument>

namespace docx {

QByteArray write(const QTextDocument &doc)
{
    Q_UNUSED(doc);
    return {};
}

} // namespace docx
