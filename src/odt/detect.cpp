// Telling an OpenDocument text by its bytes, before reading it.

#include "odt.h"

#include "package/package.h"

#include <algorithm>

namespace odt {

namespace {

constexpr QByteArrayView textType = "application/vnd.oasis.opendocument.text";

} // namespace

bool isOdt(QByteArrayView data)
{
    // The package's first entry is "mimetype", stored uncompressed; a
    // package written otherwise still names the type in its manifest.
    return package::isZip(data) && data.indexOf("mimetype") >= 0
        && (data.first(std::min<qsizetype>(data.size(), 200)).indexOf(textType) >= 0
            || data.indexOf("META-INF/manifest.xml") >= 0);
}

bool isFlatOdt(QByteArrayView data)
{
    // The root element and its office:mimetype come within the first
    // kilobytes (after the XML declaration and namespace declarations).
    const QByteArrayView head = data.first(std::min<qsizetype>(data.size(), 8192));
    return !package::isZip(data) && head.indexOf("<office:document") >= 0 && head.indexOf(textType) >= 0;
}

} // namespace odt
