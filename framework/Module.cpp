// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/Module.h"

#include "framework/Exceptions.h"
#include "resources/ResourceIds.h"

#include <algorithm>
#include <cstring>
#include <utility>

TModule* gModule = nullptr;

namespace {

// A missing resource is a framework error with the generic text.
[[noreturn]] void ThrowMissing(const TModule& module) {
    throw xmsg(module.LoadString(strid::UnknownError).value_or("Unknown error"));
}

// The longest prefix of `text` of at most `limit` bytes that ends on a
// UTF-8 character boundary.
std::size_t Utf8Prefix(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) {
        return text.size();
    }
    std::size_t cut = limit;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return cut;
}

}  // namespace

TModule::TModule(std::string name) : Name(std::move(name)) {}

TModule::~TModule() = default;

int TModule::LoadString(unsigned id, char* buffer, int size) const {
    if (buffer == nullptr || size <= 0) {
        return 0;
    }
    const auto text = res::FindString(id);
    if (!text) {
        buffer[0] = '\0';
        return 0;
    }
    const std::size_t count = Utf8Prefix(*text, static_cast<std::size_t>(size - 1));
    std::memcpy(buffer, text->data(), count);
    buffer[count] = '\0';
    return static_cast<int>(count);
}

std::optional<std::string> TModule::LoadString(unsigned id) const {
    const auto text = res::FindString(id);
    if (!text) {
        return std::nullopt;
    }
    return std::string(*text);
}

std::span<const res::IconImage> TModule::LoadIcon(unsigned id) const {
    return res::FindIcon(id);
}

const res::Menu& TModule::LoadMenu(unsigned id) const {
    const res::Menu* menu = res::FindMenu(id);
    if (menu == nullptr) {
        ThrowMissing(*this);
    }
    return *menu;
}

const res::AcceleratorTable& TModule::LoadAccelerators(unsigned id) const {
    const res::AcceleratorTable* table = res::FindAccelerators(id);
    if (table == nullptr) {
        ThrowMissing(*this);
    }
    return *table;
}

const res::DialogLayout* TModule::FindDialog(unsigned id) const {
    return res::FindDialog(id);
}
