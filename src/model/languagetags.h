#pragma once

// Languages as Word and OpenDocument name them (BCP 47 tags, "cs-CZ";
// OpenDocument splits them into language and country) and as the model
// keeps them (Windows language ids, CharLanguage): both directions, for
// the languages of Europe and the largest others.

#include <QString>
#include <QStringView>

namespace model {

// The tag of a Windows language id; empty for an id without one here.
QString languageTag(int lcid);

// The Windows language id of a tag ("cs-CZ", "cs", "en-gb"); a tag of a
// language alone or of a region not listed gives the language's main id;
// 0 for a tag not known.
int languageId(QStringView tag);

} // namespace model
