#pragma once

// (Not called limits.h: the folder is on the include path, and that name
// would hide the C library header of the same name.)

// Every bound the RTF reader puts on its input, in one place. A hostile or
// broken file must load in time and memory proportional to its size, so
// nothing a file says is trusted beyond these limits.

#include "model/limits.h"

#include <QtGlobal>

#include <algorithm>

namespace rtf::limits {

// Largest input read() accepts: a quarter of the machine's physical memory,
// and at least 1 GiB. A magazine article is some hundred kilobytes; files
// of hundreds of megabytes are almost all embedded pictures, whose bytes
// the reader keeps once (half the hexadecimal digits) and whose decoding is
// bounded below. Every further input byte of text costs the document about
// two bytes (UTF-16), and what costs more per byte (paragraphs, format runs)
// is bounded below in proportion to this ceiling, so a file at the ceiling
// stays within the memory the machine has; larger files are refused with an
// error before anything is read.
qint64 inputCeiling();
inline const qint64 maxInputBytes = inputCeiling();

// The input size the fixed bounds below were first set for. Bounds that
// follow from the input size grow with maxInputBytes in this proportion.
inline constexpr qint64 baseInputBytes = 64ll * 1024 * 1024;
inline const qint64 inputScale = std::max<qint64>(1, maxInputBytes / baseInputBytes);

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
inline const qint64 maxRuns = 4'000'000 * inputScale;
inline const qint64 maxParagraphs = 1'000'000 * inputScale;

// Pictures. Their bytes are kept as the file holds them, to be written
// back, so they cost what the file does; what is bounded is what one
// picture may claim and what showing them costs.
//
// Pictures of one document. Each costs a format, two resources and an
// image; an article has dozens. More refuse the file, for the same reason.
inline constexpr qint64 maxPictures = 10'000;
// What one picture's data and showing pictures may cost.
using namespace model::limits;

// Tables. Word processors offer at most 63 columns; further \cellx of a
// row are ignored and further cells of a row go on in its last cell.
inline constexpr int maxTableColumns = 64;
// Tables nested in tables. Real files nest two or three deep; a deeper
// \itap is read as this level, so its text lands in the deepest table.
inline constexpr int maxTableDepth = 32;
// Merging cells costs the whole table each time (Qt rebuilds the table's
// grid), and so does splitting a column at a row's edge between two
// columns; merges and splits of a document may visit this many cells in
// all. Merges past it are left out and their cells stay side by side, text
// and all; past it a cell ends at the nearest column edge.
inline constexpr qint64 maxTableMergeWork = 20'000'000;
// Lists. RTF numbers list levels 0 to 8; a higher \ilvl is the last
// level. Files define a handful of lists, long Word documents some
// hundreds; definitions (\list) and overrides (\ls) past maxLists are
// ignored, and their paragraphs show the label the file gives for readers
// without lists (\listtext). A level's label (\leveltext) holds at most
// 255 characters by its length byte; more are dropped. A list may take
// its levels from another list (\liststyleid), which may do the same:
// such chains are followed maxListStyleChain steps, so a loop ends.
inline constexpr int maxListLevels = 9;
inline constexpr int maxLists = 4096;
inline constexpr int maxLevelTextLength = 255;
inline constexpr int maxListStyleChain = 8;
// Items of one Qt list. Qt lays out every item of a list again when one is
// added, so reading a list of n items costs n * n; longer lists are read
// as several Qt lists, the later ones counting on from the earlier. Bullet
// lists look the same either way; a numbered list longer than this shows
// its later numbers from 1 in the editing area (Qt shows no start number)
// while its labels, the file it saves and every export keep counting.
inline constexpr int maxBulletListRun = 64;
inline constexpr int maxNumberedListRun = 1000;

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
// One piece as kept (an embedded object's data, a shape, a comment, hidden
// text): as much as one picture may be. A larger piece is dropped; of
// hidden text, what is past it. What an object or field shows stays.
inline constexpr qint64 maxPieceBytes = 32ll * 1024 * 1024;

} // namespace rtf::limits

namespace rtf::detail {

// Lower the paragraph limit and the input ceiling for tests, which check
// the behaviour at a limit and past it without building a million
// paragraphs or a gigabyte of input. They hold for the calling thread only,
// so readers on other threads keep the real limits; 0 restores
// limits::maxParagraphs and limits::maxInputBytes.
void setParagraphLimitForTesting(qint64 limit);
void setInputLimitForTesting(qint64 limit);

// The limits in force.
qint64 inputLimit();
qint64 paragraphLimit();

} // namespace rtf::detail
