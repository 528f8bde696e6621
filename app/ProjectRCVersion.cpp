// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ProjectRCVersion.h"

#include "platform/ExecutablePath.h"
#include "platform/VersionInfo.h"

#include <cstdio>

namespace {

constexpr char kTranslationPath[] = "\\VarFileInfo\\Translation";
constexpr char kStringPathFormat[] = "\\StringFileInfo\\%08lx\\%s";
constexpr std::size_t kPathBufferSize = 256;

}  // namespace

ProjectRCVersion::ProjectRCVersion(const TModule*) : ProjectRCVersion(platform::GetModuleFileName()) {}

ProjectRCVersion::ProjectRCVersion(const std::string& path) {
    const std::uint32_t size = platform::GetFileVersionInfoSize(path.c_str());
    if (size == 0) {
        return;
    }
    VersionData = std::make_unique<std::uint32_t[]>((size + 3) / 4);
    if (!platform::GetFileVersionInfo(path.c_str(), size, VersionData.get())) {
        VersionData.reset();
        return;
    }
    void* table = nullptr;
    if (!platform::VerQueryValue(static_cast<void*>(VersionData.get()), kTranslationPath, &table, nullptr)) {
        VersionData.reset();
        return;
    }
    // Stored with the language in the low half; swapped, the entry prints
    // as language then code page ("040704e4").
    Translation = static_cast<std::uint32_t*>(table);
    *Translation = (*Translation & 0xFFFFU) << 16 | *Translation >> 16;
}

ProjectRCVersion::~ProjectRCVersion() = default;

bool ProjectRCVersion::QueryProductName(const char*& text) const {
    return QueryString("ProductName", text);
}

bool ProjectRCVersion::QueryProductVersion(const char*& text) const {
    return QueryString("ProductVersion", text);
}

bool ProjectRCVersion::QueryLegalCopyright(const char*& text) const {
    return QueryString("LegalCopyright", text);
}

bool ProjectRCVersion::QuerySpecialBuild(const char*& text) const {
    return QueryString("SpecialBuild", text);
}

bool ProjectRCVersion::QueryString(const char* key, const char*& text) const {
    if (VersionData == nullptr) {
        return false;
    }
    char path[kPathBufferSize];
    std::snprintf(path, sizeof path, kStringPathFormat, static_cast<unsigned long>(*Translation), key);
    const void* value = nullptr;
    if (!platform::VerQueryValue(static_cast<const void*>(VersionData.get()), path, &value, nullptr)) {
        return false;
    }
    text = static_cast<const char*>(value);
    return true;
}
