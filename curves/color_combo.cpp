#include "color_combo.h"

#include <QPainter>

#include "curve_settings.h"
#include "owner_drawn_delegate.h"

CColorCombo::CColorCombo(QWidget* parent) : QComboBox(parent) {
    for (const RgbColor& c : CurveColorTable)
        colors_.append(QColor(c.r, c.g, c.b));
    setItemDelegate(new OwnerDrawnDelegate(&CColorCombo::PaintItem, kItemHeight, this));
    setMaxVisibleItems(12);
}

void CColorCombo::Fill() {
    clear();
    for (int i = 0; i < colors_.size(); ++i)
        addItem(QString());
    setCurrentIndex(0);
}

void CColorCombo::PaintItem(QPainter* painter, const QRect& rect, int index, bool selected) {
    painter->save();
    const QRect inner = rect.adjusted(2, 2, -2, -2);
    if (index >= 0 && index < kCurveColorCount) {
        const RgbColor& c = CurveColorTable[index];
        painter->fillRect(inner, QColor(c.r, c.g, c.b));
        if (selected) {
            QPen focus(Qt::DotLine);
            focus.setColor(QColor(c.r, c.g, c.b).lightness() > 128 ? Qt::black : Qt::white);
            painter->setPen(focus);
            painter->drawRect(inner.adjusted(0, 0, -1, -1));
        }
    }
    painter->setPen(Qt::black);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(rect.adjusted(0, 0, -1, -1));
    painter->restore();
}

void CColorCombo::paintEvent(QPaintEvent*) {
    PaintOwnerDrawnField(this, &CColorCombo::PaintItem);
}
