#include "owner_drawn_delegate.h"

#include <QComboBox>
#include <QStyleOptionComboBox>
#include <QStylePainter>

void PaintOwnerDrawnField(QComboBox* box, OwnerDrawnDelegate::PaintFn paint) {
    QStylePainter painter(box);
    QStyleOptionComboBox option;
    option.initFrom(box);
    option.editable = false;
    option.frame = true;
    option.currentText.clear();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    // An item outside the table leaves the box without selection: the field stays empty.
    if (box->currentIndex() >= 0) {
        const QRect field = box->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                         QStyle::SC_ComboBoxEditField, box);
        paint(&painter, field.adjusted(1, 1, -1, -1), box->currentIndex(), false);
    }
}
