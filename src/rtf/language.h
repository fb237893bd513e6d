#pragma once

// The language of text, as RTF's \langN and \noproof give it: kept on the
// character format of a run, so a save writes it back and the spell
// checker leaves text in other languages alone.

#include <QTextFormat>

class QTextCharFormat;
class QTextDocument;

namespace rtf {

enum LanguageProperty {
    // int: the run's \langN, a Windows language id; absent: the document's.
    CharLanguage = QTextFormat::UserProperty + 0x4C00,
    // bool: \noproof, text never spell-checked (code, names, quotations).
    CharNoProof,
};

inline constexpr int czechLanguage = 1029;

// The document's language: its \deflang, Czech when it names none.
int defaultLanguage(const QTextDocument &doc);

// The language of text in `format`, in a document whose language is
// `documentLanguage`.
int languageOf(const QTextCharFormat &format, int documentLanguage);

// Czech text that a spell checker should look at.
bool isProofedCzech(const QTextCharFormat &format, int documentLanguage);

} // namespace rtf
