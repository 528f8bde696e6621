// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TMenuDescr: a menu described in groups, built from a menu resource. The
// resource's top-level separators end a group and are dropped, so the menu
// holds only popups and items. Merging replaces whole groups. It is a value:
// copying it copies the menu.

#include "resources/Resources.h"

#include <array>
#include <vector>

class TModule;

class TMenuDescr {
public:
    /// The group slots, in order.
    enum TGroup { FileGroup, EditGroup, ContainerGroup, ObjectGroup, WindowGroup, HelpGroup, NumGroups };

    /// An empty description.
    TMenuDescr() = default;
    /// The description of menu resource `menuId` read from `module` (nullptr:
    /// the global module); throws xmsg when the menu is missing. Up to six
    /// groups are recorded; entries after the sixth group's end are dropped.
    TMenuDescr(unsigned menuId, TModule* module);

    /// The menu resource id it was built from (0 for merges and empty ones).
    unsigned GetId() const { return Id; }
    /// The number of top-level entries in group `group`.
    int GetGroupCount(int group) const;
    /// The top-level entries, group after group, with no separators.
    const std::vector<res::MenuItem>& GetItems() const { return Items; }

    /// This description with every group that `other` fills replaced by `other`'s.
    TMenuDescr Merged(const TMenuDescr& other) const;

private:
    unsigned Id = 0;
    std::vector<res::MenuItem> Items;
    std::array<int, NumGroups> GroupCounts{};
};
