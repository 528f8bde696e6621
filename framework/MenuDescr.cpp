// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/MenuDescr.h"

#include "framework/Module.h"

TMenuDescr::TMenuDescr(unsigned menuId, TModule* module) : Id(menuId) {
    const TModule& source = module != nullptr ? *module : *gModule;
    int group = 0;
    for (const res::MenuItem& item : source.LoadMenu(menuId).items) {
        if (item.kind == res::MenuItem::Kind::Separator) {
            ++group;  // a top-level separator only ends a group
            continue;
        }
        if (group >= NumGroups) {
            break;
        }
        Items.push_back(item);
        ++GroupCounts[static_cast<std::size_t>(group)];
    }
}

int TMenuDescr::GetGroupCount(int group) const {
    if (group < 0 || group >= NumGroups) {
        return 0;
    }
    return GroupCounts[static_cast<std::size_t>(group)];
}

TMenuDescr TMenuDescr::Merged(const TMenuDescr& other) const {
    TMenuDescr result;
    auto mine = Items.begin();
    auto theirs = other.Items.begin();
    for (std::size_t g = 0; g < GroupCounts.size(); ++g) {
        const int ownCount = GroupCounts[g];
        const int otherCount = other.GroupCounts[g];
        const auto& from = otherCount > 0 ? theirs : mine;
        const int count = otherCount > 0 ? otherCount : ownCount;
        result.Items.insert(result.Items.end(), from, from + count);
        result.GroupCounts[g] = count;
        mine += ownCount;
        theirs += otherCount;
    }
    return result;
}
