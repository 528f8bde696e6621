// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// ProjectRCVersion: reads the version block of a program file and looks up
// its texts under the block's first translation. It owns a copy of the
// block; the texts it answers point into that copy and live as long as the
// reader. A file without a readable block or translation table gives a
// reader without data, whose every query fails. It shows nothing.

#include <cstdint>
#include <memory>
#include <string>

class TModule;

class ProjectRCVersion {
public:
    /// Reads the version block of the file `module` was loaded from. Every
    /// module of korvani lives in the program's own executable file.
    explicit ProjectRCVersion(const TModule* module);
    /// Reads the version block of the file at `path`.
    explicit ProjectRCVersion(const std::string& path);
    virtual ~ProjectRCVersion();

    ProjectRCVersion(const ProjectRCVersion&) = delete;
    ProjectRCVersion& operator=(const ProjectRCVersion&) = delete;

    /// "ProductName": true and `text` set, or false.
    bool QueryProductName(const char*& text) const;
    /// "ProductVersion": true and `text` set, or false.
    bool QueryProductVersion(const char*& text) const;
    /// "LegalCopyright": true and `text` set, or false.
    bool QueryLegalCopyright(const char*& text) const;
    /// "SpecialBuild": true and `text` set, or false.
    bool QuerySpecialBuild(const char*& text) const;

private:
    /// Looks up `key` under "\StringFileInfo\<translation>\"; false without data.
    bool QueryString(const char* key, const char*& text) const;

    // The whole block, in 32-bit words so that its tables are aligned; none
    // when the file has no usable block.
    std::unique_ptr<std::uint32_t[]> VersionData;
    // The first translation entry inside VersionData, its halves swapped so
    // that it prints as language, then code page; valid exactly when
    // VersionData is.
    std::uint32_t* Translation = nullptr;
};
