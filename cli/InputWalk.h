// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/FailureCode.h"

#include <istream>
#include <string>
#include <vector>

/// One file korvani-pitch is to analyse, as the command line, a list or a
/// folder's walk named it.
struct InputFile {
    std::string Path;  ///< the file as given, or its folder's path joined with Relative
    std::string
        Relative;  ///< the name of a copy of it in a target folder: the file's name, or its path in the walked folder
    std::string Failure;                     ///< why a folder or an entry could not be walked; empty otherwise
    FailureCode Code = FailureCode::Failed;  ///< the kind of Failure
};

/// The name endings a walk takes by default, lower case without the dot:
/// those of every format the readers know (wav, wave, rf64, aif, aiff, aifc,
/// flac, ogg, oga, opus, mp3 and the others libsndfile names).
std::vector<std::string> KnownExtensions();

/// The files of the arguments in order: a file as it is; a folder, when
/// `walkFolders`, replaced by every entry under it whose name ends in one of
/// `extensions` (any case), walked recursively without following links to
/// folders, each folder's entries sorted by name. Links and special files
/// among them are kept, for the open to refuse with their reason. A folder
/// or entry that cannot be read gives its own InputFile with its Failure,
/// and the walk goes on; a folder holding no such file gives one too.
std::vector<InputFile> ExpandInputs(const std::vector<std::string>& arguments,
                                    const std::vector<std::string>& extensions, bool walkFolders = true);

/// The names of a list: one a line (an empty line names nothing, a CR before
/// the line's end is kept as part of the name) or, with `nulSeparated`, one
/// before each NUL, as `find -print0` writes them.
std::vector<std::string> ReadNameList(std::istream& in, bool nulSeparated);

/// The path of the copy of `input` in `folder`; makes the folders it needs
/// below `folder` (a failure to make them shows when the copy fails).
std::string CopyPathIn(const std::string& folder, const InputFile& input);
