// libFuzzer target: the RTF reader on any bytes.

#include "readertarget.h"
#include "rtf/rtf.h"

void readUnderTest(QByteArrayView data, QTextDocument &doc)
{
    rtf::read(data, doc);
}
