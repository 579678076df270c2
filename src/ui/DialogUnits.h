// Dialog units: the font-relative coordinates of the window's layout. A horizontal unit is a
// quarter of the font's average character width, a vertical unit an eighth of its height, and
// the average width is measured on the Latin alphabet and rounded the way Windows rounds it.
#pragma once

#include <QFontMetrics>
#include <QRect>
#include <QSize>

namespace tenvor {

class DialogUnits {
public:
    explicit DialogUnits(const QFontMetrics& metrics);
    DialogUnits(int baseWidth, int baseHeight) : baseWidth_(baseWidth), baseHeight_(baseHeight) {}

    int BaseWidth() const { return baseWidth_; }
    int BaseHeight() const { return baseHeight_; }

    int X(int units) const;  // horizontal units to pixels, rounded to the nearest pixel
    int Y(int units) const;  // vertical units to pixels
    QRect Rect(int x, int y, int width, int height) const;
    QSize Size(int width, int height) const;

private:
    int baseWidth_;
    int baseHeight_;
};

}  // namespace tenvor
