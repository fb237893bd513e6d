#include "odt.h"

#include <QTextDocument>

namespace odt {

void read(QByteArrayView data, QTextDocument &doc)
{
    Q_UNUSED(data);
    doc.clear();
}

} // namespace odt
