// libFuzzer target, differential: the converter's text of a simple RTF
// file read without a document (rtf::quickPlainText, which borovka-convert
// uses without starting Qt's graphical side) against the text of the
// document read() makes of the same bytes. Where the quick reader answers,
// the two must be identical, and it must not answer where read() refuses.
// tst_convert runs the converter's process over every fixture.

#include "guiapp.h"
#include "model/plaintext.h"
#include "rtf/quicktext.h"
#include "rtf/rtf.h"

#include <QTextDocument>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    startGuiApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const std::optional<QByteArray> quick = rtf::quickPlainText(bytes);
    if (!quick)
        return 0;
    try {
        QTextDocument doc;
        rtf::read(bytes, doc);
        if (model::plainText(doc) != *quick) {
            std::fprintf(stderr, "the quick text differs from the document's text\n");
            std::abort();
        }
    } catch (const rtf::Error &) {
        std::fprintf(stderr, "the quick text answers for a file the reader refuses\n");
        std::abort();
    }
    return 0;
}
