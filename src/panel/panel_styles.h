// SPDX-License-Identifier: MIT
#pragma once

#include <QProxyStyle>

namespace qzb {

// The grid switches are 12 pixels high; the style's own box would not fit.
class GridSwitchStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override;
};

// A group frame whose border runs through the middle of its title, as group frames
// traditionally draw, so that the options placed from the frame's top sit inside it.
class TitledFrameStyle : public QProxyStyle {
public:
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl subControl,
                         const QWidget* widget) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget) const override;
};

}  // namespace qzb
