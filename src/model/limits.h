#pragma once

// What showing a document's pictures may cost, whichever format they came
// from.

#include <QtGlobal>

namespace model::limits {

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
