#include "cli/InputWalk.h"

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <system_error>

namespace fs = std::filesystem;

namespace {

bool IsWav(const fs::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c); });
    return extension == ".wav";
}

void Walk(const fs::path& root, std::vector<InputFile>& files) {
    std::error_code error;
    std::vector<fs::path> found;
    fs::recursive_directory_iterator entry(root, error);
    for (const fs::recursive_directory_iterator end; !error && entry != end; entry.increment(error)) {
        if (IsWav(entry->path()) && entry->is_regular_file(error)) {
            found.push_back(entry->path());
        }
    }
    if (error) {
        files.push_back({root.string(), "", "cannot read the folder: " + error.message()});
        return;
    }
    // Path order compares name by name: a folder's entries sorted, each
    // subfolder's files where its name sorts.
    std::sort(found.begin(), found.end());
    for (const fs::path& path : found) {
        files.push_back({path.string(), path.lexically_relative(root).string(), ""});
    }
}

}  // namespace

std::vector<InputFile> ExpandInputs(const std::vector<std::string>& arguments) {
    std::vector<InputFile> files;
    for (const std::string& argument : arguments) {
        std::error_code error;
        if (fs::is_directory(argument, error)) {
            Walk(argument, files);
        } else {
            files.push_back({argument, fs::path(argument).filename().string(), ""});
        }
    }
    return files;
}

std::string CopyPathIn(const std::string& folder, const InputFile& input) {
    const fs::path target = fs::path(folder) / input.Relative;
    static std::mutex making;  // files of one folder are copied at once
    const std::lock_guard lock(making);
    std::error_code ignored;
    fs::create_directories(target.parent_path(), ignored);
    return target.string();
}
