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

// What building any document may cost (tables, lists, notes, sections,
// styles, pieces, pictures), besides the bounds of RTF's syntax below.
using namespace model::limits;

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

// Lists: overrides (\ls) past maxLists are ignored as definitions are,
// and their paragraphs show the label the file gives for readers without
// lists (\listtext). A list may take
// its levels from another list (\liststyleid), which may do the same:
// such chains are followed maxListStyleChain steps, so a loop ends.
inline constexpr int maxListStyleChain = 8;

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
