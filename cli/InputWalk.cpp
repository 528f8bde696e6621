// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/InputWalk.h"

#include "engine/SoundFileReader.h"

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::string LowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c); });
    return text;
}

bool HasExtension(const fs::path& path, const std::vector<std::string>& extensions) {
    const std::string extension = LowerCase(path.extension().string());
    return extension.size() > 1 &&
           std::find(extensions.begin(), extensions.end(), extension.substr(1)) != extensions.end();
}

class FolderWalk {
public:
    FolderWalk(const fs::path& root, const std::vector<std::string>& extensions, std::vector<InputFile>& files)
        : root_(root), extensions_(extensions), files_(files) {}

    void Run() {
        const std::size_t before = files_.size();
        Visit(root_);
        if (files_.size() == before) {
            files_.push_back({root_.string(), "", "no audio file found in the folder", FailureCode::NoFiles});
        }
    }

private:
    // One folder's entries in name order: files where their names sort,
    // subfolders walked there; a link to a folder is not followed.
    void Visit(const fs::path& folder) {
        std::error_code error;
        std::vector<fs::directory_entry> entries;
        fs::directory_iterator entry(folder, error);
        for (const fs::directory_iterator end; !error && entry != end; entry.increment(error)) {
            entries.push_back(*entry);
        }
        if (error) {
            files_.push_back({folder.string(), "", error.message(), FailureCodeOfErrno(error.value())});
        }
        std::sort(entries.begin(), entries.end());
        for (const fs::directory_entry& found : entries) {
            std::error_code statusError;
            const fs::file_status status = found.symlink_status(statusError);
            if (!statusError && fs::is_directory(status)) {
                Visit(found.path());
            } else if (statusError) {
                files_.push_back(
                    {found.path().string(), "", statusError.message(), FailureCodeOfErrno(statusError.value())});
            } else if (HasExtension(found.path(), extensions_)) {
                files_.push_back({found.path().string(), found.path().lexically_relative(root_).string(), ""});
            }
        }
    }

    const fs::path& root_;
    const std::vector<std::string>& extensions_;
    std::vector<InputFile>& files_;
};

}  // namespace

std::vector<std::string> KnownExtensions() {
    std::vector<std::string> known = {"wav",  "wave", "rf64", "aif",  "aiff", "aifc",
                                      "flac", "ogg",  "oga",  "opus", "mp3"};
    for (std::string& extension : LibraryExtensions()) {
        if (std::find(known.begin(), known.end(), extension) == known.end()) {
            known.push_back(std::move(extension));
        }
    }
    return known;
}

std::vector<InputFile> ExpandInputs(const std::vector<std::string>& arguments,
                                    const std::vector<std::string>& extensions, bool walkFolders) {
    std::vector<InputFile> files;
    for (const std::string& argument : arguments) {
        std::error_code error;
        if (walkFolders && fs::is_directory(argument, error)) {
            FolderWalk(argument, extensions, files).Run();
        } else {
            files.push_back({argument, fs::path(argument).filename().string(), ""});
        }
    }
    return files;
}

std::vector<std::string> ReadNameList(std::istream& in, bool nulSeparated) {
    std::vector<std::string> names;
    for (std::string name; std::getline(in, name, nulSeparated ? '\0' : '\n');) {
        if (!name.empty()) {
            names.push_back(std::move(name));
        }
    }
    return names;
}

std::string CopyPathIn(const std::string& folder, const InputFile& input) {
    const fs::path target = fs::path(folder) / input.Relative;
    static std::mutex making;  // files of one folder are copied at once
    const std::lock_guard lock(making);
    std::error_code ignored;
    fs::create_directories(target.parent_path(), ignored);
    return target.string();
}
