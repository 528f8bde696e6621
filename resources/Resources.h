// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's resources as plain data: menus, accelerator tables, icons,
// dialog layouts and the string table. Each kind has a record type and a lookup by id that
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
    std::string_view text;        // shown text, "&" marks the mnemonic, "\t" starts the key hint
    unsigned id = 0;              // command id; 0 for separators and popups
    std::vector<MenuItem> items;  // a popup's content
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

/// Window styles of dialog layouts and their controls, as the platform
/// spells them.
inline constexpr std::uint32_t WS_POPUP = 0x80000000;
inline constexpr std::uint32_t WS_CHILD = 0x40000000;
inline constexpr std::uint32_t WS_VISIBLE = 0x10000000;
inline constexpr std::uint32_t WS_CAPTION = 0x00C00000;
inline constexpr std::uint32_t WS_BORDER = 0x00800000;
inline constexpr std::uint32_t WS_DLGFRAME = 0x00400000;
inline constexpr std::uint32_t WS_SYSMENU = 0x00080000;
inline constexpr std::uint32_t WS_GROUP = 0x00020000;
inline constexpr std::uint32_t WS_TABSTOP = 0x00010000;
/// Dialog styles.
inline constexpr std::uint32_t DS_3DLOOK = 0x0004;
inline constexpr std::uint32_t DS_SETFONT = 0x0040;
inline constexpr std::uint32_t DS_MODALFRAME = 0x0080;
/// Button styles (the low four bits say the kind of button).
inline constexpr std::uint32_t BS_PUSHBUTTON = 0x0000;
inline constexpr std::uint32_t BS_DEFPUSHBUTTON = 0x0001;
inline constexpr std::uint32_t BS_AUTOCHECKBOX = 0x0003;
inline constexpr std::uint32_t BS_TYPEMASK = 0x000F;
/// Edit styles.
inline constexpr std::uint32_t ES_LEFT = 0x0000;
/// Static styles (the low five bits say the kind of static).
inline constexpr std::uint32_t SS_LEFT = 0x0000;
inline constexpr std::uint32_t SS_CENTER = 0x0001;
inline constexpr std::uint32_t SS_ICON = 0x0003;
inline constexpr std::uint32_t SS_TYPEMASK = 0x001F;
inline constexpr std::uint32_t SS_NOPREFIX = 0x0080;

/// The id of controls that have none (static texts).
inline constexpr unsigned IDC_STATIC = 0xFFFF;

/// One control of a dialog layout. Position and size are in dialog units.
struct DialogControl {
    enum class Kind { Button, Edit, Static };
    Kind kind = Kind::Static;
    unsigned id = IDC_STATIC;
    std::string_view text;  // a button's or static's text; empty for edits
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
    std::uint32_t style = 0;  // WS_..., BS_..., ES_..., SS_...
    unsigned icon = 0;        // the icon resource an SS_ICON static shows
};

/// A dialog layout: the dialog's caption, style, font and rectangle, and its
/// controls in tab order. Units are dialog units of the layout's font: a
/// quarter of its average character width across, an eighth of its
/// character height down; the position is relative to the owner's client area.
struct DialogLayout {
    std::string_view caption;
    std::uint32_t style = 0;  // WS_..., DS_...
    std::string_view fontFace;
    int pointSize = 0;
    int x = 0;
    int y = 0;
    int cx = 0;
    int cy = 0;
    std::vector<DialogControl> controls;
};

/// Menu resource `id`, or nullptr when there is none.
const Menu* FindMenu(unsigned id);

/// Accelerator table resource `id`, or nullptr when there is none.
const AcceleratorTable* FindAccelerators(unsigned id);

/// The images of icon resource `id`, smallest first; empty when there is none.
std::span<const IconImage> FindIcon(unsigned id);

/// Dialog layout `id`, or nullptr when there is none.
const DialogLayout* FindDialog(unsigned id);

/// String-table entry `id` (UTF-8), or nothing when the table has no such id.
std::optional<std::string_view> FindString(unsigned id);

}  // namespace res
