// libFuzzer target: the RTF reader on any bytes, into a fresh document.

#include "rtf.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // Fonts need a GUI application; the offscreen platform needs no display.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "fuzz_rtf_reader";
    static char *argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QTextDocument doc;
    try {
        rtf::read(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)), doc);
    } catch (const rtf::Error &) {
        // A refused document is a valid outcome; anything else escapes and is a finding.
    }
    return 0;
}
