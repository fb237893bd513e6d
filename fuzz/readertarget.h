#pragma once

// A libFuzzer target for one document reader: any bytes into a fresh
// document. The file that includes this defines readUnderTest.

#include "guiapp.h"
#include "model/readerror.h"

#include <QByteArrayView>
#include <QTextDocument>

#include <cstdint>

void readUnderTest(QByteArrayView data, QTextDocument &doc);

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    startGuiApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QTextDocument doc;
    try {
        readUnderTest(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)), doc);
    } catch (const model::ReadError &) {
        // A refused document is a valid outcome; anything else escapes and is a finding.
    }
    return 0;
}
