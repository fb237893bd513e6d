#pragma once

// The editor's rich-text file format: RTF read into and written from a
// QTextDocument. Nothing here depends on widgets, so the converter, the
// benchmarks and the fuzzers use exactly the code the editor uses.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <stdexcept>

class QTextDocument;

namespace rtf {

// A document that cannot be read at all (for example one larger than the
// reader accepts). Broken but readable input never throws: it loads what
// can be read.
class Error : public std::runtime_error {
public:
    explicit Error(const QString &description)
        : std::runtime_error(description.toStdString()), m_description(description) {}
    QString description() const { return m_description; }

private:
    QString m_description;
};

// True when the data starts as an RTF document does ("{\rtf", after an
// optional byte-order mark and white space).
bool isRtf(QByteArrayView data);

// The largest input read() accepts, in bytes.
qint64 maxInputSize();

// Throws Error with a readable description when an input of `bytes` bytes
// is larger than read() accepts, so a caller can refuse a file before
// reading it into memory.
void checkInputSize(qint64 bytes);

// Replaces the content of `doc` by the RTF in `data`. Builds into `doc`
// directly; callers that must keep their document on failure read into a
// fresh document and swap it in afterwards. Data larger than
// maxInputSize() throws Error before `doc` is touched; data that is not
// RTF (see isRtf) is taken as plain text; the undo history is not kept.
void read(QByteArrayView data, QTextDocument &doc);

// The whole document as RTF: {\rtf1\ansi\ansicpg1250\deff0\deftab720 ...
QByteArray write(const QTextDocument &doc);

// Plain text that is not RTF: UTF-8 when the bytes are valid UTF-8
// (a leading byte-order mark is dropped), otherwise Windows-1250. Text
// with a UTF-16 byte-order mark is read as UTF-16.
QString decodePlainText(QByteArrayView data);

// The document's text without formatting, as UTF-8 with "\n" line ends
// (paragraph ends and line breaks alike) and no line end after the last
// paragraph. Non-breaking spaces stay non-breaking spaces.
QByteArray plainText(const QTextDocument &doc);

} // namespace rtf
