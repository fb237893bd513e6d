#pragma once

// Font sizes that Qt keeps relative to the document's (<h1> ... <h6>,
// <big>, <small> of HTML) as the points they show at.

class QTextCharFormat;

namespace model {

// The points a character format shows at when its size is relative to
// `size` (Qt's size adjustment); `size` when it is not.
double adjustedPointSize(const QTextCharFormat &f, double size);

} // namespace model
