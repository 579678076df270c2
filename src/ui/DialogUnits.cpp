#include "ui/DialogUnits.h"

#include <QString>

namespace tenvor {

namespace {

// units * base / divisor, rounded half away from zero.
int Scale(int units, int base, int divisor)
{
    const long long product = static_cast<long long>(units) * base;
    const long long half = divisor / 2;
    return static_cast<int>(product >= 0 ? (product + half) / divisor : (product - half) / divisor);
}

int AverageCharWidth(const QFontMetrics& metrics)
{
    static const QString kAlphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return (metrics.horizontalAdvance(kAlphabet) / 26 + 1) / 2;
}

}  // namespace

DialogUnits::DialogUnits(const QFontMetrics& metrics)
    : baseWidth_(AverageCharWidth(metrics)), baseHeight_(metrics.height())
{
}

int DialogUnits::X(int units) const
{
    return Scale(units, baseWidth_, 4);
}

int DialogUnits::Y(int units) const
{
    return Scale(units, baseHeight_, 8);
}

QRect DialogUnits::Rect(int x, int y, int width, int height) const
{
    return {X(x), Y(y), X(width), Y(height)};
}

QSize DialogUnits::Size(int width, int height) const
{
    return {X(width), Y(height)};
}

}  // namespace tenvor
