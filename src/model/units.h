#pragma once

// Lengths as every format's writer turns Qt's pixels into twips.

#include "limits.h"

#include <QtGlobal>

#include <algorithm>
#include <cmath>

namespace model {

// Qt's text pixels are points at 96 dpi: 15 twips each.
inline constexpr double kTwipsPerPixel = 15.0;

// The widest length any format is given, in twips: 22 inches, wider than
// any page.
inline constexpr int kMaxTwips = limits::maxTwips;

// A length rounded to whole units; NaN counts as nothing and what no int
// holds is cut to what one does.
inline int roundedInt(double v)
{
    if (std::isnan(v))
        return 0;
    return qRound(std::clamp(v, -2.0e9, 2.0e9));
}

} // namespace model
