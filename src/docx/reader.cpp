#include "docx.h"

#include <QTextDocument>

namespace docx {

void read(QByteArrayView data, QTextDocument &doc)
{
    Q_UNUSED(data);
    doc.clear();
}

} // namespace docx
