// Which file format a file is: read by content, written by name.

#include "formats.h"

#include "docx/docx.h"
#include "odt/odt.h"
#include "rtf/rtf.h"

#include <QFileInfo>
#include <QTextDocument>

namespace formats {

Format formatForName(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("docx"))
        return Format::Docx;
    if (suffix == QLatin1String("odt"))
        return Format::Odt;
    return Format::Rtf;
}

void read(QByteArrayView data, QTextDocument &doc)
{
    // Larger inputs than any reader takes are refused before any of them
    // starts; packages have their own limits on what they inflate to.
    rtf::checkInputSize(data.size());
    if (docx::isDocx(data))
        docx::read(data, doc);
    else if (odt::isOdt(data) || odt::isFlatOdt(data))
        odt::read(data, doc);
    else
        rtf::read(data, doc); // RTF, plain text, or a refusal saying what the file is
}

QByteArray write(const QTextDocument &doc, Format format)
{
    switch (format) {
    case Format::Docx: return docx::write(doc);
    case Format::Odt: return odt::write(doc);
    case Format::Rtf: break;
    }
    return rtf::write(doc);
}

} // namespace formats
