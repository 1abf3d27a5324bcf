#include "check_tree_ctrl.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {

constexpr int kStateRole = Qt::UserRole + 100;

QTreeWidgetItem* AsItem(CheckTreeLogic::Item item) {
    return static_cast<QTreeWidgetItem*>(item);
}

}  // namespace

CCheckTreeCtrl::CCheckTreeCtrl(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setIconSize(QSize(kStateImageSize, kStateImageSize));
    setMouseTracking(true);  // hot tracking
}

QPixmap CCheckTreeCtrl::StateImage(int state) {
    static QPixmap images[4];
    if (state < 0 || state > 3)
        state = 0;
    QPixmap& image = images[state];
    if (!image.isNull())
        return image;
    image = QPixmap(kStateImageSize, kStateImageSize);
    image.fill(Qt::transparent);
    if (state == kNoCheckBox)
        return image;
    QPainter p(&image);
    const QRect box(0, 0, kStateImageSize - 1, kStateImageSize - 1);
    p.fillRect(box, state == kMixed ? QColor(192, 192, 192) : Qt::white);
    p.setPen(Qt::black);
    p.drawRect(box);
    if (state != kUnchecked) {
        // A tick in red: down from the left, then up to the right.
        p.setPen(QPen(QColor(255, 0, 0), 2));
        p.drawPolyline(QPolygon({QPoint(3, 6), QPoint(5, 9), QPoint(10, 3)}));
    }
    return image;
}

int CCheckTreeCtrl::CheckStateOf(const QTreeWidgetItem* item) {
    return item != nullptr ? item->data(0, kStateRole).toInt() : kNoCheckBox;
}

QRect CCheckTreeCtrl::StateImageRect(QTreeWidgetItem* item) const {
    if (item == nullptr || CheckStateOf(item) == kNoCheckBox)
        return QRect();
    const QRect row = visualItemRect(item);
    if (row.isEmpty())
        return QRect();
    // The icon is the state image; the style places it at the start of the item's cell.
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = row;
    option.features |= QStyleOptionViewItem::HasDecoration | QStyleOptionViewItem::HasDisplay;
    option.icon = item->icon(0);
    option.text = item->text(0);
    option.decorationSize = iconSize();
    return style()->subElementRect(QStyle::SE_ItemViewItemDecoration, &option, this);
}

void CCheckTreeCtrl::mousePressEvent(QMouseEvent* event) {
    lastHitOnState_ = false;
    if (event->button() == Qt::LeftButton) {
        QTreeWidgetItem* item = itemAt(event->position().toPoint());
        if (item != nullptr && StateImageRect(item).contains(event->position().toPoint())) {
            lastHitOnState_ = true;
            Toggle(item);
        }
    }
    QTreeWidget::mousePressEvent(event);
}

void CCheckTreeCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    // A double click on a box is two toggles, not a toggle and an expansion.
    QTreeWidgetItem* item = itemAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && item != nullptr &&
        StateImageRect(item).contains(event->position().toPoint())) {
        lastHitOnState_ = true;
        Toggle(item);
        return;
    }
    QTreeWidget::mouseDoubleClickEvent(event);
}

void CCheckTreeCtrl::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space) {
        QTreeWidgetItem* item = currentItem();
        if (item != nullptr && CheckStateOf(item) != kNoCheckBox)
            Toggle(item);
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

CheckTreeLogic::Item CCheckTreeCtrl::ParentOf(Item item) const {
    return AsItem(item)->parent();
}

int CCheckTreeCtrl::ChildCountOf(Item item) const {
    return AsItem(item)->childCount();
}

CheckTreeLogic::Item CCheckTreeCtrl::ChildOf(Item item, int i) const {
    return AsItem(item)->child(i);
}

int CCheckTreeCtrl::StateOf(Item item) const {
    return CheckStateOf(AsItem(item));
}

void CCheckTreeCtrl::StoreState(Item item, int state) {
    QTreeWidgetItem* it = AsItem(item);
    it->setData(0, kStateRole, state);
    it->setIcon(0, state == kNoCheckBox ? QIcon() : QIcon(StateImage(state)));
}
