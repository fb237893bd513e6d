// XML of a package's part, read with the checks hostile parts need.

#include "package.h"

#include <QCoreApplication>

namespace package {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("package", text);
}

} // namespace

XmlReader::XmlReader(const QByteArray &xml, const QString &partName)
    : m_xml(xml)
    , m_part(partName)
{
    // Declarations are refused before any parsing: what they declare is
    // never expanded (a "billion laughs" part) nor fetched.
    if (xml.contains("<!DOCTYPE") || xml.contains("<!ENTITY"))
        throw model::ReadError(
            tr("Část dokumentu %1 obsahuje deklaraci typu dokumentu (DOCTYPE); takový dokument editor neotevře.")
                .arg(m_part));
}

QXmlStreamReader::TokenType XmlReader::step()
{
    // Given all at once, the parser would decode the whole part to text
    // first: a 20 MB part would cost 80 MB more.
    constexpr qsizetype slice = 64 * 1024;
    TokenType token = readNext();
    while (token == Invalid && error() == PrematureEndOfDocumentError && m_fed < m_xml.size()) {
        const qsizetype n = std::min(slice, m_xml.size() - m_fed);
        addData(m_xml.mid(m_fed, n));
        m_fed += n;
        token = readNext();
    }
    switch (token) {
    case StartElement:
        if (++m_depth > maxDepth)
            throw model::ReadError(
                tr("Část dokumentu %1 je vnořená hlouběji než do %2 úrovní; takový dokument editor neotevře.")
                    .arg(m_part)
                    .arg(maxDepth));
        break;
    case EndElement:
        --m_depth;
        break;
    case DTD:
    case EntityReference:
        throw model::ReadError(
            tr("Část dokumentu %1 obsahuje deklaraci typu dokumentu (DOCTYPE); takový dokument editor neotevře.")
                .arg(m_part));
    case Invalid:
        throw model::ReadError(tr("Dokument je poškozený: jeho část %1 není platné XML (řádek %2: %3).")
                                   .arg(m_part)
                                   .arg(lineNumber())
                                   .arg(errorString()));
    default:
        break;
    }
    return token;
}

void XmlReader::skip()
{
    const int until = m_depth;
    while (m_depth >= until && step() != EndDocument) {
    }
}

QString XmlReader::collectText()
{
    QString text;
    const int until = m_depth;
    while (m_depth >= until) {
        const TokenType t = step();
        if (t == Characters)
            text += QXmlStreamReader::text();
        else if (t == EndDocument)
            break;
    }
    return text;
}

} // namespace package
