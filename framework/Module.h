// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TModule: a named handle on the program's resources. It reads strings,
// icons, menus, accelerator tables and dialog layouts by id. It does not own
// the resource data (that is static data of the resources library) and holds
// no window.
// One global module exists per process (gModule); the application replaces
// it while it lives.

#include "resources/Resources.h"

#include <optional>
#include <span>
#include <string>

class TModule {
public:
    /// A module called `name`.
    explicit TModule(std::string name);
    virtual ~TModule();

    TModule(const TModule&) = delete;
    TModule& operator=(const TModule&) = delete;

    /// The module's name.
    const std::string& GetName() const { return Name; }

    /// Copies string `id` into `buffer` of `size` bytes, cut at size - 1 bytes
    /// (never inside a UTF-8 character) and zero-terminated. Returns the number
    /// of bytes copied; 0, with an empty buffer, when the id is missing.
    int LoadString(unsigned id, char* buffer, int size) const;

    /// String `id` whole, or nothing when the id is missing.
    std::optional<std::string> LoadString(unsigned id) const;

    /// The images of icon `id`; empty when the icon is missing (a window
    /// then simply has no icon).
    std::span<const res::IconImage> LoadIcon(unsigned id) const;

    /// Menu resource `id`; throws xmsg when it is missing.
    const res::Menu& LoadMenu(unsigned id) const;

    /// Accelerator table `id`; throws xmsg when it is missing.
    const res::AcceleratorTable& LoadAccelerators(unsigned id) const;

    /// Dialog layout `id`, nullptr when it is missing (the dialog then
    /// reports that it cannot run or be created).
    const res::DialogLayout* FindDialog(unsigned id) const;

private:
    std::string Name;
};

/// The process's global module; created by the framework's entry, replaced
/// by the application while it lives.
extern TModule* gModule;
