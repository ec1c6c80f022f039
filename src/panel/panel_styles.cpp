// SPDX-License-Identifier: MIT
#include "panel/panel_styles.h"

#include <QPainter>
#include <QStyleOptionGroupBox>

namespace qzb {

int GridSwitchStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                                 const QWidget* widget) const {
    if (metric == PM_IndicatorWidth || metric == PM_IndicatorHeight) return 11;
    return QProxyStyle::pixelMetric(metric, option, widget);
}

// The title stands a little in from the left border, as on a classic frame.
QRect TitledFrameStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                                       SubControl subControl, const QWidget* widget) const {
    const QRect rect = QProxyStyle::subControlRect(control, option, subControl, widget);
    return control == CC_GroupBox && subControl == SC_GroupBoxLabel ? rect.translated(6, 0) : rect;
}

// The border is drawn here, through the middle of the title and kept clear of it, in the
// outline colour the style gives frames; then the style draws the title alone.
void TitledFrameStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                          QPainter* painter, const QWidget* widget) const {
    const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
    if (control != CC_GroupBox || box == nullptr || box->text.isEmpty()) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    const QRect title = subControlRect(CC_GroupBox, box, SC_GroupBoxLabel, widget);
    const QRectF border = QRectF(box->rect.adjusted(0, title.center().y() - box->rect.top(), 0, 0))
                              .adjusted(0.5, 0.5, -0.5, -0.5);
    painter->save();
    painter->setClipRegion(QRegion(box->rect).subtracted(QRegion(title.adjusted(-2, 0, 2, 0))));
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(box->palette.color(QPalette::Window).darker(140));
    painter->drawRoundedRect(border, 2, 2);
    painter->restore();
    QStyleOptionGroupBox titleOnly = *box;
    titleOnly.subControls = SC_GroupBoxLabel;
    QProxyStyle::drawComplexControl(control, &titleOnly, painter, widget);
}

}  // namespace qzb
