#pragma once
// The program's resources as plain data: menus, accelerator tables, icons and
// the string table. Each kind has a record type and a lookup by id that
// answers "missing" instead of failing; turning a missing resource into an
// error is the reader's business (TModule). Nothing here draws or knows Qt.
//
// Adding a kind of resource: declare its record and a Find function here,
// put its data into one source file of its own under resources/src/, and add
// that file to resources/CMakeLists.txt.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace res {

/// One entry of a menu resource: a command item, a separator, or a popup
/// holding items of its own.
struct MenuItem {
    enum class Kind { Command, Separator, Popup };
    Kind kind = Kind::Separator;
    std::string_view text;          // shown text, "&" marks the mnemonic, "\t" starts the key hint
    unsigned id = 0;                // command id; 0 for separators and popups
    std::vector<MenuItem> items;    // a popup's content
};

/// A menu resource: its top-level entries, in order (top-level separators
/// divide menu groups).
struct Menu {
    std::vector<MenuItem> items;
};

/// Accelerator flags, as the platform spells them.
inline constexpr std::uint8_t FVIRTKEY = 0x01;
inline constexpr std::uint8_t FSHIFT = 0x04;
inline constexpr std::uint8_t FCONTROL = 0x08;
inline constexpr std::uint8_t FALT = 0x10;

/// One key binding: a virtual key (VirtualKeys.h) with modifier flags, and the
/// command it sends.
struct Accelerator {
    std::uint8_t flags = FVIRTKEY;
    unsigned key = 0;
    unsigned command = 0;
};

/// An accelerator table resource.
struct AcceleratorTable {
    std::vector<Accelerator> entries;
};

/// One image of an icon resource: a square PNG of the given edge length.
struct IconImage {
    int size = 0;
    std::span<const std::uint8_t> png;
};

/// Menu resource `id`, or nullptr when there is none.
const Menu* FindMenu(unsigned id);

/// Accelerator table resource `id`, or nullptr when there is none.
const AcceleratorTable* FindAccelerators(unsigned id);

/// The images of icon resource `id`, smallest first; empty when there is none.
std::span<const IconImage> FindIcon(unsigned id);

/// String-table entry `id` (UTF-8), or nothing when the table has no such id.
std::optional<std::string_view> FindString(unsigned id);

}  // namespace res
