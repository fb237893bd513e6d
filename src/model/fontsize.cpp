#include "fontsize.h"

#include <QTextCharFormat>

#include <algorithm>

namespace model {

double adjustedPointSize(const QTextCharFormat &f, double size)
{
    if (!f.hasProperty(QTextFormat::FontSizeAdjustment) || f.hasProperty(QTextFormat::FontPointSize)
        || f.hasProperty(QTextFormat::FontPixelSize)) {
        return size;
    }
    // The factors Qt draws the adjustments -2 ... +4 with.
    static const double kFactors[7] = {0.7, 0.8, 1.0, 1.2, 1.5, 2, 2.4};
    const int i = std::clamp(f.intProperty(QTextFormat::FontSizeAdjustment) + 2, 0, 6);
    return size * kFactors[i];
}

} // namespace model
