// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Identifiers of the program's resources: menus, accelerator tables, icons,
// dialog layouts and their controls, command ids of menu items and the
// string table's ids. Shared by the resource data, the framework and the
// application.

namespace resid {

// Menus, accelerator tables and icons.
inline constexpr unsigned MainMenu = 100;
inline constexpr unsigned MainAccelerators = 100;
inline constexpr unsigned AppIcon = 1001;

// Dialog layouts.
inline constexpr unsigned FreqDisplayDialog = 1;
inline constexpr unsigned AboutDialog = 22000;
inline constexpr unsigned InputDialog = 32514;

// Controls of the dialog layouts. Buttons 1 and 2 send the commands of
// the same ids (OK and cancel, or "Modify..." in layout 1).
inline constexpr unsigned OkButton = 1;
inline constexpr unsigned CancelButton = 2;
inline constexpr unsigned ModifyButton = 2;
inline constexpr unsigned NoHigherFrequencyBox = 101;
inline constexpr unsigned PeakFrequencyBox = 107;
inline constexpr unsigned NoteBox = 108;
inline constexpr unsigned SampleRateBox = 109;
inline constexpr unsigned InputEdit = 4090;
inline constexpr unsigned InputPrompt = 4091;
inline constexpr unsigned AboutProductLine = 22001;
inline constexpr unsigned AboutDescriptionLine = 22002;

}  // namespace resid

// Command ids of menu 100.
inline constexpr unsigned CmdOpen = 24332;
inline constexpr unsigned CmdClose = 24339;
inline constexpr unsigned CmdQuit = 24310;
inline constexpr unsigned CmdAbout = 2009;

// Editing commands bound by accelerator table 100. Nothing in the program
// handles them, so their keys do nothing.
inline constexpr unsigned CmdEditUndo = 24321;
inline constexpr unsigned CmdEditCut = 24322;
inline constexpr unsigned CmdEditCopy = 24323;
inline constexpr unsigned CmdEditPaste = 24324;
inline constexpr unsigned CmdEditDelete = 24325;
inline constexpr unsigned CmdEditClear = 24326;
inline constexpr unsigned CmdEditFindNext = 24353;

// String-table ids of the framework's texts.
namespace strid {

inline constexpr unsigned DocumentDefaultTitle = 32503;  // "Dokument"
inline constexpr unsigned DocumentCannotOpen = 32504;
inline constexpr unsigned DocumentCannotClose = 32505;
inline constexpr unsigned DocumentModifiedSave = 32508;
inline constexpr unsigned DocumentAlreadyLoaded = 32512;
inline constexpr unsigned ModeIndicatorNames = 32530;  // "EXT|CAPS|NUM|SCRL|OVR|REC"
inline constexpr unsigned ModeIndicatorBlanks = 32531;
inline constexpr unsigned InvalidDibHandle = 32732;
inline constexpr unsigned GdiFailure = 32739;
inline constexpr unsigned ChildCreateFailure = 32745;
inline constexpr unsigned WindowExecuteFailure = 32746;
inline constexpr unsigned WindowCreateFailure = 32747;
inline constexpr unsigned ChildClassRegisterFailure = 32748;
inline constexpr unsigned ClassRegisterFailure = 32749;
inline constexpr unsigned InvalidMainWindow = 32759;
inline constexpr unsigned OutOfMemory = 32761;
inline constexpr unsigned UnknownError = 32763;
inline constexpr unsigned UnhandledExceptionCaption = 32764;
inline constexpr unsigned OkToResume = 32765;

}  // namespace strid
