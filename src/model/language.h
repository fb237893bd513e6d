#pragma once

// The language of text (LanguageProperty): kept on the character format
// of a run, so a save writes it back and the spell checker leaves text in
// other languages alone.

#include "properties.h"

#include <QTextFormat>

class QTextCharFormat;
class QTextDocument;

namespace model {

inline constexpr int czechLanguage = 1029;

// The document's language (DocDefaultLanguage), Czech when it names none.
int defaultLanguage(const QTextDocument &doc);

// The language of text in `format`, in a document whose language is
// `documentLanguage`.
int languageOf(const QTextCharFormat &format, int documentLanguage);

// Czech text that a spell checker should look at.
bool isProofedCzech(const QTextCharFormat &format, int documentLanguage);

} // namespace model
