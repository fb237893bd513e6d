#pragma once

// (Not called limits.h: the folder is on the include path, and that name
// would hide the C library header of the same name.)

// Every bound the RTF reader puts on its input, in one place. A hostile or
// broken file must load in time and memory proportional to its size, so
// nothing a file says is trusted beyond these limits.

#include <QtGlobal>

namespace rtf::limits {

// Largest input read() accepts. A magazine article is some hundred
// kilobytes; files of tens of megabytes are almost all embedded pictures,
// whose bytes the reader keeps (half the hexadecimal digits) and whose
// decoding is bounded below. Every further input byte of text can cost the
// document tens of bytes (a character plus a format fragment), so 64 MiB
// keeps the worst case below a couple of gigabytes; larger files are
// refused with an error before anything is read.
inline constexpr qint64 maxInputBytes = 64ll * 1024 * 1024;

// Group nesting kept on the state stack. Real files nest a few dozen deep;
// deeper groups are still read, with the state of the deepest kept level.
inline constexpr int maxDepth = 1024;

// Control words are at most 32 letters by the RTF rules; longer runs of
// letters are consumed and ignored as one unknown word.
inline constexpr int maxControlWordLength = 32;

// Digits of a parameter that are evaluated; the rest are consumed and the
// value is clamped to the 32-bit range the format defines.
inline constexpr int maxParameterDigits = 10;

// Fallback characters after \uN (\ucN). Writers use 1 or 2 (double-byte
// code pages); a larger value would only swallow text.
inline constexpr int maxUnicodeSkip = 8;

// Font size in half points: 1638 points, the largest size word processors
// offer.
inline constexpr int maxHalfPoints = 3276;

// Indents and paragraph spacing in twips: 22 inches, the largest page.
inline constexpr int maxTwips = 31680;

// Tab stops kept per paragraph; word processors offer a few dozen at most.
inline constexpr int maxTabStops = 32;

// Entries of the font table and of the colour table; files use dozens.
inline constexpr int maxTableEntries = 32768;

// Paragraphs and format runs a document may have. Each costs the document
// some hundred bytes and a microsecond or two, so a file of nothing but
// \par or of a format change per character would otherwise grow to
// gigabytes. A real 10 MB article has some hundred thousand of either.
// A file with more paragraphs is refused with an error (rtf::Error):
// dropping the rest would lose text that a later save makes permanent.
// Past maxRuns only formatting is lost, never text: the rest of the text
// keeps the format of the last run.
inline constexpr qint64 maxRuns = 4'000'000;
inline constexpr qint64 maxParagraphs = 1'000'000;

// Pictures. Their bytes are kept as the file holds them, to be written
// back, so they cost what the file does; what is bounded is what one
// picture may claim and what showing them costs.
//
// One picture's data: more than a camera's largest JPEG. A hexadecimal
// picture in a file of maxInputBytes cannot be larger anyway; \bin data
// could be. A larger picture refuses the file: dropping it would lose it
// on the next save.
inline constexpr qint64 maxPictureBytes = 32ll * 1024 * 1024;
// Pictures of one document. Each costs a format, two resources and an
// image; an article has dozens. More refuse the file, for the same reason.
inline constexpr qint64 maxPictures = 10'000;
// Pixels decoded to show one picture (64 MB as 32-bit colour): more than a
// page shows at twice the zoom. Larger pictures are decoded scaled down,
// and pictures whose header claims more than 8 times this are not decoded
// at all (a few bytes of PNG may claim gigapixels).
inline constexpr qint64 maxPicturePixels = 16ll * 1024 * 1024;
// Pixels decoded for all pictures of a document (256 MB). Pictures past it
// show as placeholders; their bytes are kept and written back all the same.
inline constexpr qint64 maxDocumentPicturePixels = 64ll * 1024 * 1024;

// Footnotes and endnotes of one document. Each is a document of its own
// while it is read and a format of the body afterwards; a long thesis has
// a couple of thousand. The text of notes past the limit is read as body
// text, where it stays visible and is saved.
inline constexpr qint64 maxNotes = 20'000;

// Sections of one document, each with its words and up to eight headers
// and footers; a book has dozens. Section breaks past the limit end
// paragraphs only, and the last section's setup applies to the rest.
inline constexpr int maxSections = 10'000;

// Styles a style's \sbasedon chain is followed through. Real chains are a
// few styles long; a longer one (or a loop) stops there, keeping the
// formatting of the styles reached.
inline constexpr int maxStyleChain = 64;

// Pieces kept as one character each (bookmarks ...). Each costs a format;
// a document has dozens. Past the limit they are dropped: they show
// nothing.
inline constexpr qint64 maxPieces = 100'000;

} // namespace rtf::limits

namespace rtf::detail {

// Lowers the paragraph limit for tests, which check the behaviour at the
// limit and past it without building a million paragraphs. 0 restores
// limits::maxParagraphs.
void setParagraphLimitForTesting(qint64 limit);

} // namespace rtf::detail
