// libFuzzer target: the editing area's whole load path. Any file loads as
// the editor loads it; its RTF and plain text are written, the RTF is read
// again, and the text must come back exactly.

#include "guiapp.h"
#include "rtf.h"

#include <QTextDocument>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    startGuiApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QTextDocument doc;
    try {
        if (rtf::isRtf(bytes))
            rtf::read(bytes, doc);
        else
            doc.setPlainText(rtf::decodePlainText(bytes));
    } catch (const rtf::Error &) {
        return 0;
    }
    const QByteArray saved = rtf::write(doc);
    const QByteArray text = rtf::plainText(doc);

    QTextDocument again;
    rtf::read(saved, again);
    if (rtf::plainText(again) != text) {
        std::fprintf(stderr, "text changed in a save and reload\n");
        std::abort();
    }
    return 0;
}
