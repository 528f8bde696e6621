// SPDX-License-Identifier: GPL-3.0-or-later
// The string table: the framework's German texts and the status-bar hints of
// the menus, UTF-8, every blank as the program shows it.

#include "resources/ResourceIds.h"
#include "resources/Resources.h"

#include <algorithm>
#include <array>
#include <utility>

namespace res {
namespace {

struct StringEntry {
    unsigned id;
    std::string_view text;
};

// Kept sorted by id for the binary search below.
constexpr auto kStrings = std::to_array<StringEntry>({
    // Menu hints: a popup shows the hint of its first item's id minus 1.
    {2008, "Zugriff auf Info"},
    {CmdAbout, "Info über die Anwendung korvani"},
    {CmdQuit, "korvatekApp beenden und Speicherung der Dokumente abfragen"},
    {24331, "Ein neues Dokument erzeugen"},
    {CmdOpen, "Ein existierendes Dokument öffnen"},
    {CmdClose, "Dieses Dokument schließen"},

    // Document handling.
    {strid::DocumentDefaultTitle, "Dokument"},
    {strid::DocumentCannotOpen, "Document can't be opened."},
    {strid::DocumentCannotClose, "Document can't be closed."},
    {strid::DocumentModifiedSave, "Das Dokument wurde geändert.\n\nSpeichern vor Schließen des Fensters?"},
    {strid::DocumentAlreadyLoaded, "Dokument ist bereits geladen"},

    // Status-bar mode indicators: names and the blanks shown while off.
    {strid::ModeIndicatorNames, "EXT|CAPS|NUM|SCRL|OVR|REC"},
    {strid::ModeIndicatorBlanks, "   |    |   |    |   |   "},

    // Framework errors.
    {strid::InvalidDibHandle, "Ungültiges DIB-Handle %X"},
    {strid::GdiFailure, "GDI-Fehler"},
    {strid::ChildCreateFailure, "Fehler bei Erzeugung eines untergeordneten Fensters für %s"},
    {strid::WindowExecuteFailure, "Ausführungsfehler bei Fenster %s"},
    {strid::WindowCreateFailure, "Fehler bei Erzeugung von Fenster %s"},
    {strid::ChildClassRegisterFailure, "Fehler bei Registrierung der Kindklasse für Fenster %s "},
    {strid::ClassRegisterFailure, "Fehler bei Klassenregistrierung für Fenster %s "},
    {strid::InvalidMainWindow, "MainWindow ungültig"},
    {strid::OutOfMemory, "Zuwenig Speicherplatz"},
    {strid::UnknownError, "Unbekannter Fehler"},
    {strid::UnhandledExceptionCaption, "Nicht behandelte Exception"},
    {strid::OkToResume, "Fortfahren?"},

    // System-menu hints.
    {61440, "Größe des Fensters ändern"},
    {61456, "Fenster an eine andere Position verschieben"},
    {61472, "Fenster zu Symbolen wandeln"},
    {61488, "Fenster auf maximale Größe vergrößern"},
    {61504, "Zum nächsten Fenster wechseln"},
    {61536, "Fenster schließen"},
    {61728, "Fenster in ursprünglicher Größe wiederherstellen"},
    {61744, "Task-Liste öffnen"},
});

static_assert(std::is_sorted(kStrings.begin(), kStrings.end(),
                             [](const StringEntry& a, const StringEntry& b) { return a.id < b.id; }),
              "the string table must stay sorted by id");

}  // namespace

std::optional<std::string_view> FindString(unsigned id) {
    const auto it = std::lower_bound(kStrings.begin(), kStrings.end(), id,
                                     [](const StringEntry& e, unsigned key) { return e.id < key; });
    if (it == kStrings.end() || it->id != id) {
        return std::nullopt;
    }
    return it->text;
}

}  // namespace res
