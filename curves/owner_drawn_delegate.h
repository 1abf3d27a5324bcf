// The item delegate of the owner-drawn boxes: every item is painted by a function of the box,
// at a fixed height, with no text.
#pragma once

#include <QStyledItemDelegate>

class OwnerDrawnDelegate : public QStyledItemDelegate {
  public:
    using PaintFn = void (*)(QPainter* painter, const QRect& rect, int index, bool selected);

    OwnerDrawnDelegate(PaintFn paint, int itemHeight, QObject* parent)
        : QStyledItemDelegate(parent), paint_(paint), height_(itemHeight) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        paint_(painter, option.rect, index.row(), option.state & QStyle::State_Selected);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
        return QSize(option.rect.width(), height_);
    }

  private:
    PaintFn paint_;
    int height_;
};

// Paints a closed owner-drawn box: the box's frame and arrow, and the current item (nothing when
// there is none) drawn into the field by paint.
void PaintOwnerDrawnField(class QComboBox* box, OwnerDrawnDelegate::PaintFn paint);
