// libFuzzer target: the OpenDocument reader on any bytes (a package or a flat file).

#include "readertarget.h"
#include "odt/odt.h"

void readUnderTest(QByteArrayView data, QTextDocument &doc)
{
    odt::read(data, doc);
}
