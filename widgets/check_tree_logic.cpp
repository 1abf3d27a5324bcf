#include "check_tree_logic.h"

bool CheckTreeLogic::SetCheckState(Item item, int state, bool propagateDown) {
    if (item == nullptr) {
        return false;
    }
    StoreState(item, state);
    if (state != kNoCheckBox) {
        if (propagateDown)
            PropagateDown(item, state);
        RecomputeAncestors(item, state);
    }
    return true;
}

void CheckTreeLogic::Toggle(Item item) {
    if (item == nullptr)
        return;
    SetCheckState(item, StateOf(item) == kChecked ? kUnchecked : kChecked, true);
}

void CheckTreeLogic::PropagateDown(Item item, int state) {
    // The first child always takes the state; later siblings only when they have a box.
    const int n = ChildCountOf(item);
    for (int i = 0; i < n; ++i) {
        Item child = ChildOf(item, i);
        if (i == 0 || StateOf(child) != kNoCheckBox)
            StoreState(child, state);
        PropagateDown(child, state);
    }
}

void CheckTreeLogic::RecomputeAncestors(Item item, int state) {
    for (Item parent = ParentOf(item); parent != nullptr; item = parent, parent = ParentOf(item)) {
        bool uniform = true;
        const int n = ChildCountOf(parent);
        for (int i = 0; i < n && uniform; ++i) {
            Item sibling = ChildOf(parent, i);
            const int s = StateOf(sibling);
            if (sibling != item && s != kNoCheckBox && s != state)
                uniform = false;
        }
        if (!uniform) {
            for (Item a = parent; a != nullptr; a = ParentOf(a)) {
                if (StateOf(a) != kNoCheckBox)
                    StoreState(a, kMixed);
            }
            return;
        }
        if (StateOf(parent) != kNoCheckBox)
            StoreState(parent, state);
    }
}
