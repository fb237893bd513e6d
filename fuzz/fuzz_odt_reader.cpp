// libFuzzer target: the OpenDocument reader on any bytes (a package or a
// flat file), into a fresh document.

#include "guiapp.h"
#include "odt/odt.h"

#include <QTextDocument>

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    startGuiApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QTextDocument doc;
    try {
        odt::read(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)), doc);
    } catch (const model::ReadError &) {
        // A refused document is a valid outcome; anything else escapes and is a finding.
    }
    return 0;
}
