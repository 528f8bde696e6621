// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TFileOpenDialog: the modal dialog in which the user picks the file of the
// open command. It shows a list of file types (description and pattern), an
// initial directory and a file-name field, and answers the chosen path and
// type. It owns its data record only for the time of Execute(); the owner
// window stays the caller's.
//
// The dialog goes through a seam (IFileOpenDialog): the real one is Qt's
// file dialog; tests answer it through the harness.

#include "framework/Seams.h"

#include <cstddef>
#include <string>
#include <vector>

class TWindow;

/// One entry of the dialog's type list.
struct TFileFilter {
    std::string Description;  // what the list shows, for example "Wave files (*.wav)"
    std::string Pattern;      // the files it lets through, for example "*.wav"
    friend bool operator==(const TFileFilter&, const TFileFilter&) = default;
};

class TFileOpenDialog {
public:
    // Dialog options, with the platform's values; templates carry them in their flags.
    /// In: the read-only check box starts checked. Out: the user checked it.
    static constexpr unsigned ReadOnly = 0x00000001;
    /// No read-only check box.
    static constexpr unsigned HideReadOnly = 0x00000004;
    /// Options that this dialog never takes (hook, template, template
    /// handle, multiple selection).
    static constexpr unsigned EnableHook = 0x00000020;
    static constexpr unsigned EnableTemplate = 0x00000040;
    static constexpr unsigned EnableTemplateHandle = 0x00000080;
    static constexpr unsigned AllowMultiSelect = 0x00000200;
    /// Only an existing file can be chosen (else any name is accepted).
    static constexpr unsigned FileMustExist = 0x00001000;
    /// The chosen file is to be opened for writing too.
    static constexpr unsigned NoReadOnlyReturn = 0x00008000;
    /// The bits of a template's flags that are dialog options.
    static constexpr unsigned OptionMask = 0x000FFFFF;
    /// The options of OptionMask that the dialog drops.
    static constexpr unsigned RefusedOptions = EnableHook | EnableTemplate | EnableTemplateHandle | AllowMultiSelect;

    /// What the dialog shows and, after it, what the user chose.
    struct TData {
        unsigned Options = 0;              // the options above; ReadOnly is also an answer
        std::vector<TFileFilter> Filters;  // the type list
        std::size_t FilterIndex = 0;       // in: the type shown first; out: the type chosen (0-based)
        std::string InitialDirectory;      // empty: the dialog's own choice
        std::string DefaultExtension;      // added to a typed name without one; empty for none
        std::string FileName;              // out: the chosen path
        std::size_t PathBufferSize = 256;  // a chosen path must fit, with its terminating zero
    };

    /// A dialog owned by `owner` (nullptr for none) on `data`.
    TFileOpenDialog(TWindow* owner, TData& data);

    /// Shows the dialog modally. Answers IDOK with data.FileName,
    /// data.FilterIndex and the ReadOnly answer set, or IDCANCEL when the
    /// user cancelled or the chosen path does not fit PathBufferSize.
    int Execute();

private:
    TWindow* Owner;
    TData& Data;
};

/// The seam to the open dialog the user sees.
class IFileOpenDialog {
public:
    virtual ~IFileOpenDialog() = default;
    /// Shows the dialog for `data`, owned by `owner`; on a choice fills
    /// data.FileName, data.FilterIndex and the ReadOnly bit of data.Options
    /// and answers true; answers false when the user cancelled.
    virtual bool Run(TWindow* owner, TFileOpenDialog::TData& data) = 0;
};

template <>
IFileOpenDialog& TSeam<IFileOpenDialog>::Default();
