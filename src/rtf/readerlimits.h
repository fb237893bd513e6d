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
// which the reader skips. Every further input byte can cost the document
// tens of bytes (a character plus a format fragment), so 64 MiB keeps the
// worst case below a couple of gigabytes; larger files are refused with an
// error before anything is read.
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
// Past maxRuns the text keeps the last format; past maxParagraphs the rest
// of the file is dropped.
inline constexpr qint64 maxRuns = 4'000'000;
inline constexpr qint64 maxParagraphs = 1'000'000;

} // namespace rtf::limits
