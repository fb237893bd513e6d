#pragma once

// What building a document may cost, whichever format it came from. A
// hostile or broken file must load in time and memory proportional to its
// size, so nothing a file says is trusted beyond these limits; each reader
// adds the bounds of its own syntax.

#include <QtGlobal>

namespace model::limits {

// Font size in half points: 1638 points, the largest size word processors
// offer.
inline constexpr int maxHalfPoints = 3276;
// Indents and paragraph spacing in twips: 22 inches, the largest page.
inline constexpr int maxTwips = 31680;
// Tab stops kept per paragraph; word processors offer a few dozen at most.
inline constexpr int maxTabStops = 32;

// Tables. Word processors offer at most 63 columns; further cells of a row
// go on in its last cell.
inline constexpr int maxTableColumns = 64;
// Tables nested in tables. Real files nest two or three deep; deeper ones
// are read at this level.
inline constexpr int maxTableDepth = 32;
// Merging cells costs the whole table each time (Qt rebuilds the table's
// grid), and so does splitting a column at a row's edge between two
// columns; merges and splits of a document may visit this many cells in
// all. Merges past it are left out and their cells stay side by side, text
// and all; past it a cell ends at the nearest column edge.
inline constexpr qint64 maxTableMergeWork = 20'000'000;

// Lists: levels 0 to 8, a higher level is the last. Files define a handful
// of lists, long Word documents some hundreds; definitions past maxLists
// are ignored. A level's label holds at most 255 characters (RTF's length
// byte); more are dropped.
inline constexpr int maxListLevels = 9;
inline constexpr int maxLists = 4096;
inline constexpr int maxLevelTextLength = 255;
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
// Styles a style's based-on chain is followed through. Real chains are a
// few styles long; a longer one (or a loop) stops there, keeping the
// formatting of the styles reached.
inline constexpr int maxStyleChain = 64;
// Pieces kept as one character each (bookmarks ...). Each costs a format;
// a document has dozens. Past the limit they are dropped: they show
// nothing.
inline constexpr qint64 maxPieces = 100'000;
// Pictures of one document. Each costs a format, two resources and an
// image; an article has dozens. More refuse the file: dropping them would
// lose them on the next save.
inline constexpr qint64 maxPictures = 10'000;

// One picture's data: more than a camera's largest JPEG. It bounds what
// one picture may be, not what a file may hold. A reader refuses a file
// with a larger picture: dropping it would lose it on the next save.
inline constexpr qint64 maxPictureBytes = 32ll * 1024 * 1024;
// Pixels decoded to show one picture (64 MB as 32-bit colour): more than a
// page shows. Pictures are decoded at the size they are shown; larger ones
// are decoded scaled down to this.
inline constexpr qint64 maxPicturePixels = 16ll * 1024 * 1024;
// Pixels decoded for all pictures of a document (256 MB). Pictures past it
// show as placeholders; their bytes are kept and written back all the same.
inline constexpr qint64 maxDocumentPicturePixels = 64ll * 1024 * 1024;
// Pixels the decoders produce before scaling, which is what a picture costs
// to open: a PNG is inflated whole whatever the size shown, a JPEG at the
// eighth, quarter or half of its size that covers the size shown. A few
// hundred bytes of PNG may claim gigapixels, so the work is bounded by the
// file's size: one picture at most maxPictureDecodeWork, all pictures of a
// document at most maxDocumentPicturePixels / 2 plus decodeWorkPerByte
// for each byte of the file (camera JPEGs need less than one per byte,
// screenshots a few). Pictures past it show as placeholders.
inline constexpr qint64 maxPictureDecodeWork = 2 * maxPicturePixels;
inline constexpr qint64 decodeWorkPerByte = 32;

} // namespace model::limits
