// A tree whose items carry a three-state check box drawn as the item's state image (see
// CheckTreeLogic). A click on the box or the space bar toggles the item, hands the state down to
// its descendants and recomputes its ancestors; the tree's own check handling never runs.
#pragma once

#include <QPixmap>
#include <QTreeWidget>

#include "check_tree_logic.h"

class CCheckTreeCtrl : public QTreeWidget, public CheckTreeLogic {
    Q_OBJECT
  public:
    // Side of a state image in pixels.
    static constexpr int kStateImageSize = 13;

    explicit CCheckTreeCtrl(QWidget* parent = nullptr);

    // The state image index of an item (0..3); 0 for null.
    static int CheckStateOf(const QTreeWidgetItem* item);
    // Sets an item's state as CheckTreeLogic::SetCheckState does.
    bool SetItemCheckState(QTreeWidgetItem* item, int state, bool propagateDown) {
        return SetCheckState(item, state, propagateDown);
    }

    // The four state images: 0 none (never shown), 1 unchecked, 2 mixed, 3 checked.
    static QPixmap StateImage(int state);

    // Where an item's state image is drawn, in viewport coordinates (empty without one).
    QRect StateImageRect(QTreeWidgetItem* item) const;

    // Flags of the last left-button hit: true when it hit a state image.
    bool LastHitOnStateImage() const { return lastHitOnState_; }

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    Item ParentOf(Item item) const override;
    int ChildCountOf(Item item) const override;
    Item ChildOf(Item item, int i) const override;
    int StateOf(Item item) const override;
    void StoreState(Item item, int state) override;

  private:
    bool lastHitOnState_ = false;
};
