// Telling a Word document by its bytes, before reading it.

#include "docx.h"

#include "package/package.h"

namespace docx {

bool isDocx(QByteArrayView data)
{
    // The central directory names every part; the reader checks the rest.
    return package::isZip(data) && data.indexOf("word/document.xml") >= 0;
}

} // namespace docx
