// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TFileSaveDialog: the modal save-file dialog. It shows the caller's data
// record (options, filter, initial directory, default extension, the path
// buffer's text as the proposed name) and puts the chosen path into the
// record's path buffer. The record belongs to the caller and must outlive
// the dialog. The dialog itself comes through a seam (ISaveFileDialog):
// Qt's file dialog by default, a scripted answer in tests.
//
//     TFileSaveDialog::TData data(OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
//                                 "Wave Files (*.WAV)|*.wav|", nullptr, "WAV");
//     data.SetFileName(currentPath);
//     if (TFileSaveDialog(this, data).Execute() == IDOK) { ...data.GetFileName()... }

#include "framework/Seams.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class TWindow;

// Options of the data record (the others are not used by the program).
inline constexpr unsigned OFN_OVERWRITEPROMPT = 0x0002;  // ask before replacing an existing file
inline constexpr unsigned OFN_HIDEREADONLY = 0x0004;     // no read-only check box (Qt's dialog has none)

/// The record's error when the chosen path did not fit into the path buffer.
inline constexpr unsigned FNERR_BUFFERTOOSMALL = 0x3003;

/// What one save-file dialog shows.
struct TSaveFileRequest {
    TWindow* Owner = nullptr;                                  // nullptr: no owner
    std::vector<std::pair<std::string, std::string>> Filters;  // (shown text, pattern) in order
    std::string InitialDir;                                    // empty: the current directory
    std::string InitialName;                                   // the proposed name or path
    std::string DefaultExt;                                    // appended when the user types no extension
    unsigned Flags = 0;                                        // OFN_...
};

/// The seam of the save-file dialog: asks the user for a name.
class ISaveFileDialog {
public:
    virtual ~ISaveFileDialog() = default;
    /// Shows the modal dialog for `request`; answers the chosen path, or
    /// nothing when the user cancelled.
    virtual std::optional<std::string> AskSaveName(const TSaveFileRequest& request) = 0;
};

template <>
ISaveFileDialog& TSeam<ISaveFileDialog>::Default();

class TFileSaveDialog {
public:
    /// The data record of the dialog.
    class TData {
    public:
        /// A record with `flags` (OFN_...), `filter` ("text|pattern|" pairs,
        /// nullptr for none), `initialDir` and `defExt` (nullptr for none) and
        /// a path buffer of `maxPath` bytes (at least 1), empty.
        explicit TData(unsigned flags = 0, const char* filter = nullptr, const char* initialDir = nullptr,
                       const char* defExt = nullptr, int maxPath = 260);

        unsigned Flags;
        std::string Filter;
        std::string InitialDir;
        std::string DefExt;
        unsigned Error = 0;  // 0, or FNERR_BUFFERTOOSMALL after a run

        /// Puts `path` into the path buffer (cut to MaxPath - 1 bytes): the
        /// proposed name before a run.
        void SetFileName(std::string_view path);
        /// The path buffer's text: the chosen path after a confirmed run.
        const char* GetFileName() const { return FileName.data(); }
        /// The size of the path buffer in bytes.
        int GetMaxPath() const { return static_cast<int>(FileName.size()); }
        /// The filter as (shown text, pattern) pairs.
        std::vector<std::pair<std::string, std::string>> FilterPairs() const;

    private:
        std::vector<char> FileName;
    };

    /// A save-file dialog owned by `parent` (nullptr: none) for `data`.
    TFileSaveDialog(TWindow* parent, TData& data) : Parent(parent), Data(data) {}

    /// Runs the dialog modally: 1 (IDOK) when a name was chosen, which is
    /// then in the path buffer; 2 (IDCANCEL) when the user cancelled or the
    /// path did not fit (then Data.Error is FNERR_BUFFERTOOSMALL and the
    /// buffer is unchanged).
    int Execute();

private:
    TWindow* Parent;
    TData& Data;
};
