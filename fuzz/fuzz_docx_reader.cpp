// libFuzzer target: the Word reader on any bytes.

#include "readertarget.h"
#include "docx/docx.h"

void readUnderTest(QByteArrayView data, QTextDocument &doc)
{
    docx::read(data, doc);
}
