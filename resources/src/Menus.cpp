// SPDX-License-Identifier: GPL-3.0-or-later
// Menu resources: menu 100, the main window's menu.

#include "resources/ResourceIds.h"
#include "resources/Resources.h"

namespace res {
namespace {

MenuItem Command(std::string_view text, unsigned id) {
    return MenuItem{MenuItem::Kind::Command, text, id, {}};
}

MenuItem Separator() {
    return MenuItem{MenuItem::Kind::Separator, {}, 0, {}};
}

MenuItem Popup(std::string_view text, std::vector<MenuItem> items) {
    return MenuItem{MenuItem::Kind::Popup, text, 0, std::move(items)};
}

const Menu& MainMenu() {
    // The top-level separator divides the two menu groups; the menu bar does
    // not show it.
    static const Menu menu{{
        Popup("&file", {Command("open...", CmdOpen), Separator(), Command("close", CmdClose), Separator(),
                        Command("&quit\tAlt+F4", CmdQuit)}),
        Separator(),
        Popup("&help", {Command("info &about...", CmdAbout)}),
    }};
    return menu;
}

}  // namespace

const Menu* FindMenu(unsigned id) {
    if (id == resid::MainMenu) {
        return &MainMenu();
    }
    return nullptr;
}

}  // namespace res
