#include "language.h"

#include "properties.h"

#include <QTextCharFormat>
#include <QTextDocument>
#include <QTextFrame>

namespace model {

int defaultLanguage(const QTextDocument &doc)
{
    const int lang = doc.rootFrame()->frameFormat().intProperty(DocDefaultLanguage);
    return lang > 0 ? lang : czechLanguage;
}

int languageOf(const QTextCharFormat &format, int documentLanguage)
{
    const int lang = format.intProperty(CharLanguage);
    return format.hasProperty(CharLanguage) && lang > 0 ? lang : documentLanguage;
}

bool isProofedCzech(const QTextCharFormat &format, int documentLanguage)
{
    return !format.boolProperty(CharNoProof) && languageOf(format, documentLanguage) == czechLanguage;
}

} // namespace model
