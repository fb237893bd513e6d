// libFuzzer target, differential: the text borovka-convert writes when it
// starts without Qt's graphical side (text out of a file without pictures)
// against the text this process, a GUI application, reads from the same
// bytes through a document. They must be identical; a converter that
// fails or crashes on an input this process reads is a finding too.

#include "convert.h"
#include "guiapp.h"
#include "rtf.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextDocument>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {
QTemporaryDir *dir = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    startGuiApplication();
    dir = new QTemporaryDir;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString input = dir->filePath(QStringLiteral("in.kln"));
    const QString output = dir->filePath(QStringLiteral("out.txt"));
    if (!borovka::convertsWithoutGui(input, bytes, output))
        return 0; // the converter starts its GUI side, as this process has
    QByteArray expected;
    bool refused = false;
    try {
        QTextDocument doc;
        rtf::read(bytes, doc);
        expected = rtf::plainText(doc);
    } catch (const rtf::Error &) {
        refused = true;
    }
    QFile in(input);
    if (!in.open(QIODevice::WriteOnly | QIODevice::Truncate) || in.write(bytes) != bytes.size())
        std::abort();
    in.close();
    QFile::remove(output);
    QProcess p;
    p.start(QStringLiteral(BOROVKA_CONVERT), {input, output});
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit) {
        std::fprintf(stderr, "borovka-convert crashed or hung\n");
        std::abort();
    }
    if (refused) {
        if (p.exitCode() != 1 || QFile::exists(output))
            std::abort(); // refused here, so the converter must fail and write nothing
        return 0;
    }
    QFile out(output);
    if (p.exitCode() != 0 || !out.open(QIODevice::ReadOnly) || out.readAll() != expected) {
        std::fprintf(stderr, "the text without GUI differs from the document's text\n");
        std::abort();
    }
    return 0;
}
