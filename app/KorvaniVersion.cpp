// SPDX-License-Identifier: GPL-3.0-or-later
// korvani's version block, embedded in the executable file that carries this
// object, where the about box reads it back.

#include "platform/VersionBlock.h"

namespace {

constexpr platform::VersionTranslation kGerman1252{0x0407, 0x04E4};

constexpr platform::VersionTranslation kTranslations[] = {kGerman1252};

// "OriginalFilename" names the Linux executable, which has no extension.
constexpr platform::VersionString kStrings[] = {
    {kGerman1252, "CompanyName", ""},
    {kGerman1252, "FileDescription", "korvani for Linux"},
    {kGerman1252, "FileVersion", "1.1"},
    {kGerman1252, "InternalName", "korvani"},
    {kGerman1252, "LegalCopyright", "Copyright \u00A9 2026 korvani. Alle Rechte vorbehalten."},
    {kGerman1252, "LegalTrademarks", "Linux\u00AE ist eine eingetragene Marke von Linus Torvalds."},
    {kGerman1252, "OriginalFilename", "korvani"},
    {kGerman1252, "ProductName", "korvani"},
    {kGerman1252, "ProductVersion", "1.1"},
};

constexpr platform::VersionResource kKorvaniVersion{
    .fileVersion = {1, 1, 0, 0},
    .productVersion = {1, 1, 0, 0},
    .translations = kTranslations,
    .strings = kStrings,
};

}  // namespace

KORVANI_VERSION_BLOCK(kKorvaniVersion);
