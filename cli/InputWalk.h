#pragma once

#include <string>
#include <vector>

/// One file korvani-pitch is to analyse, as the command line or a folder's
/// walk named it.
struct InputFile {
    std::string Path;  ///< the file as given, or its folder's path joined with Relative
    std::string
        Relative;  ///< the name of a copy of it in a target folder: the file's name, or its path in the walked folder
    std::string Failure;  ///< why a folder could not be walked (Path is the folder then); empty otherwise
};

/// The files of the arguments in order: a file as it is, a folder replaced by
/// every file under it whose name ends in ".wav" in any case, walked
/// recursively, each folder's entries sorted by name. A folder that cannot be
/// read gives one InputFile with its Failure.
std::vector<InputFile> ExpandInputs(const std::vector<std::string>& arguments);

/// The path of the copy of `input` in `folder`; makes the folders it needs
/// below `folder` (a failure to make them shows when the copy fails).
std::string CopyPathIn(const std::string& folder, const InputFile& input);
