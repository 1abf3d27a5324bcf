#include "line_type_combo.h"

#include <QPainter>

#include "curve_settings.h"
#include "owner_drawn_delegate.h"

namespace {

Qt::PenStyle QtStyle(PenStyle style) {
    switch (style) {
        case PenStyle::kDash:
            return Qt::DashLine;
        case PenStyle::kDot:
            return Qt::DotLine;
        case PenStyle::kDashDot:
            return Qt::DashDotLine;
        case PenStyle::kDashDotDot:
            return Qt::DashDotDotLine;
        case PenStyle::kSolid:
            break;
    }
    return Qt::SolidLine;
}

}  // namespace

CLineTypeCombo::CLineTypeCombo(QWidget* parent) : QComboBox(parent) {
    setItemDelegate(new OwnerDrawnDelegate(&CLineTypeCombo::PaintItem, kItemHeight, this));
}

void CLineTypeCombo::Fill() {
    clear();
    for (int i = 0; i < kCurveLineTypeCount; ++i)
        addItem(QString());
    setCurrentIndex(0);
}

void CLineTypeCombo::PaintItem(QPainter* painter, const QRect& rect, int index, bool selected) {
    painter->save();
    painter->fillRect(rect, selected ? QColor(0, 255, 0) : QColor(255, 255, 255));
    if (index >= 0 && index < kCurveLineTypeCount) {
        const LineTypeEntry& e = CurveLineTypeTable[index];
        painter->setPen(QPen(Qt::black, e.width, QtStyle(e.style), Qt::FlatCap));
        const int y = (rect.top() + rect.bottom()) / 2;
        painter->drawLine(rect.left(), y, rect.right(), y);
    }
    painter->setPen(QColor(200, 0, 0));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(rect.adjusted(0, 0, -1, -1));
    painter->restore();
}

void CLineTypeCombo::paintEvent(QPaintEvent*) {
    PaintOwnerDrawnField(this, &CLineTypeCombo::PaintItem);
}
