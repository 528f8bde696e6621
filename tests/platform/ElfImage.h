// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tests/support/RiffBuilder.h"

#include <elf.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace fixtures {

/// One section of an ElfImage: its name, type and contents.
struct ElfSection {
    std::string name;
    std::uint32_t type = SHT_PROGBITS;
    Bytes data;
};

/// A minimal 64-bit little-endian ELF file built byte by byte, so that a test
/// sees every header it feeds the version reader and can make any of them lie.
/// Layout: file header, the sections' data (8-byte aligned), the section
/// names, the section header table. Section 0 is the null section, the given
/// sections follow in order, the section names come last. Holds no code; it
/// is never run.
class ElfImage {
public:
    explicit ElfImage(std::vector<ElfSection> sections) : sections_(std::move(sections)) {
        Bytes names(1, 0);
        std::vector<Elf64_Shdr> headers(1, Elf64_Shdr{});
        bytes_.resize(sizeof(Elf64_Ehdr));
        for (const ElfSection& section : sections_) {
            headers.push_back(Place(section.type, section.data, AddName(names, section.name)));
        }
        const auto namesName = AddName(names, ".shstrtab");
        headers.push_back(Place(SHT_STRTAB, names, namesName));
        Align();
        Elf64_Ehdr header{};
        std::memcpy(header.e_ident, ELFMAG, SELFMAG);
        header.e_ident[EI_CLASS] = ELFCLASS64;
        header.e_ident[EI_DATA] = ELFDATA2LSB;
        header.e_ident[EI_VERSION] = EV_CURRENT;
        header.e_type = ET_EXEC;
        header.e_machine = EM_X86_64;
        header.e_version = EV_CURRENT;
        header.e_shoff = bytes_.size();
        header.e_ehsize = sizeof(Elf64_Ehdr);
        header.e_shentsize = sizeof(Elf64_Shdr);
        header.e_shnum = static_cast<std::uint16_t>(headers.size());
        header.e_shstrndx = static_cast<std::uint16_t>(headers.size() - 1);
        for (const Elf64_Shdr& section : headers) {
            Append(&section, sizeof section);
        }
        SetHeader(header);
    }

    /// Answers the file's bytes.
    const Bytes& FileBytes() const { return bytes_; }

    /// Answers the index of the section names' header.
    std::size_t NamesIndex() const { return sections_.size() + 1; }

    /// Answers the file header.
    Elf64_Ehdr Header() const { return ReadAt<Elf64_Ehdr>(0); }

    /// Replaces the file header.
    void SetHeader(const Elf64_Ehdr& header) { WriteAt(0, header); }

    /// Answers the header of section `index` (0 is the null section).
    Elf64_Shdr Section(std::size_t index) const { return ReadAt<Elf64_Shdr>(SectionOffset(index)); }

    /// Replaces the header of section `index`.
    void SetSection(std::size_t index, const Elf64_Shdr& section) { WriteAt(SectionOffset(index), section); }

private:
    static std::uint32_t AddName(Bytes& names, const std::string& name) {
        const auto at = static_cast<std::uint32_t>(names.size());
        names.insert(names.end(), name.begin(), name.end());
        names.push_back(0);
        return at;
    }

    void Align() { bytes_.resize((bytes_.size() + 7) / 8 * 8, 0); }

    void Append(const void* data, std::size_t size) {
        const auto* first = static_cast<const std::uint8_t*>(data);
        bytes_.insert(bytes_.end(), first, first + size);
    }

    Elf64_Shdr Place(std::uint32_t type, const Bytes& data, std::uint32_t name) {
        Align();
        Elf64_Shdr section{};
        section.sh_name = name;
        section.sh_type = type;
        section.sh_offset = bytes_.size();
        section.sh_size = data.size();
        section.sh_addralign = 1;
        Append(data.data(), data.size());
        return section;
    }

    std::size_t SectionOffset(std::size_t index) const { return Header().e_shoff + index * sizeof(Elf64_Shdr); }

    template <typename Record>
    Record ReadAt(std::size_t offset) const {
        Record record{};
        std::memcpy(&record, bytes_.data() + offset, sizeof record);
        return record;
    }

    template <typename Record>
    void WriteAt(std::size_t offset, const Record& record) {
        std::memcpy(bytes_.data() + offset, &record, sizeof record);
    }

    std::vector<ElfSection> sections_;
    Bytes bytes_;
};

}  // namespace fixtures
