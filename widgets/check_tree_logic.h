// The three-state check logic of a tree whose items carry a check box as their state image:
// toggling, handing a state down to the descendants and recomputing the ancestors. The tree
// itself is reached through five small virtual operations, so the logic runs on any tree (a
// widget, or a plain structure in a test).
#pragma once

// State-image indices of an item.
enum CheckState : int { kNoCheckBox = 0, kUnchecked = 1, kMixed = 2, kChecked = 3 };

class CheckTreeLogic {
  public:
    using Item = void*;

    virtual ~CheckTreeLogic() = default;

    // Sets the item's state. When the state is not kNoCheckBox it is handed down to the
    // descendants if propagateDown is set, and the ancestors are recomputed in every case.
    // False when item is null.
    bool SetCheckState(Item item, int state, bool propagateDown);

    // What a click on the check box or the space bar does: a checked item becomes unchecked,
    // any other item checked, with its descendants, and the ancestors follow.
    void Toggle(Item item);

  protected:
    // The parent of an item, null for a top-level item.
    virtual Item ParentOf(Item item) const = 0;
    virtual int ChildCountOf(Item item) const = 0;
    virtual Item ChildOf(Item item, int i) const = 0;
    virtual int StateOf(Item item) const = 0;
    virtual void StoreState(Item item, int state) = 0;

  private:
    void PropagateDown(Item item, int state);
    void RecomputeAncestors(Item item, int state);
};
