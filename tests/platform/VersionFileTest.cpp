// SPDX-License-Identifier: GPL-3.0-or-later
// Finding the version block in a file: in a small ELF file whose headers the
// test writes itself (and then makes lie), in copies of this test program cut
// short or with a damaged block, and in files that are no ELF file at all.
// Every file without a whole, consistent block has none.
#include "platform/ExecutablePath.h"
#include "platform/VersionInfo.h"
#include "tests/platform/ElfImage.h"
#include "tests/platform/VersionTestSupport.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace {

using fixtures::Bytes;
using fixtures::ElfImage;
using fixtures::ElfSection;
using platform::GetFileVersionInfo;
using platform::GetFileVersionInfoSize;

const Bytes& KorvaniBlock() {
    static const Bytes block = platform::EncodeVersionBlockBytes(versiontest::kKorvaniVersion);
    return block;
}

/// Answers the block GetFileVersionInfo copies from `path`, after checking
/// that the size GetFileVersionInfoSize gave fits it; empty when there is none.
Bytes BlockOf(const std::string& path) {
    const std::uint32_t size = GetFileVersionInfoSize(path.c_str());
    Bytes block(size);
    if (size == 0) {
        EXPECT_FALSE(GetFileVersionInfo(path.c_str(), 4096, Bytes(4096).data())) << path;
        return block;
    }
    EXPECT_TRUE(GetFileVersionInfo(path.c_str(), size, block.data())) << path;
    return block;
}

std::vector<ElfSection> ProgramSections(Bytes versionData) {
    return {
        {".text", SHT_PROGBITS, Bytes(24, 0x90)},
        {".bss", SHT_NOBITS, {}},
        {".korvani.version", SHT_PROGBITS, std::move(versionData)},
        {".comment", SHT_PROGBITS, {'G', 'C', 'C', 0}},
    };
}

constexpr std::size_t kVersionSection = 3;  // index of ".korvani.version" in ProgramSections

class VersionFile : public testing::Test {
protected:
    std::string Write(const Bytes& bytes) { return dir_.Write("file-" + std::to_string(++written_), bytes); }

    /// Writes `bytes` to a new file and answers the size of its version block.
    std::uint32_t SizeOfBlockIn(const Bytes& bytes) { return GetFileVersionInfoSize(Write(bytes).c_str()); }

    fixtures::TempDir dir_;
    int written_ = 0;
};

TEST_F(VersionFile, FindsTheBlockInItsSection) {
    const ElfImage image(ProgramSections(KorvaniBlock()));
    EXPECT_EQ(BlockOf(Write(image.FileBytes())), KorvaniBlock());

    Bytes padded = KorvaniBlock();  // a section may be longer than its block
    padded.resize(padded.size() + 13, 0);
    EXPECT_EQ(BlockOf(Write(ElfImage(ProgramSections(padded)).FileBytes())), KorvaniBlock());
}

TEST_F(VersionFile, FindsTheBlockWithSectionCountsInSectionZero) {
    // Files with very many sections keep the count and the names' index in
    // section 0's header; the reader follows them there.
    ElfImage image(ProgramSections(KorvaniBlock()));
    Elf64_Ehdr header = image.Header();
    Elf64_Shdr first = image.Section(0);
    first.sh_size = header.e_shnum;
    first.sh_link = header.e_shstrndx;
    header.e_shnum = 0;
    header.e_shstrndx = SHN_XINDEX;
    image.SetSection(0, first);
    image.SetHeader(header);
    EXPECT_EQ(BlockOf(Write(image.FileBytes())), KorvaniBlock());
}

TEST_F(VersionFile, LyingHeadersMeanNoBlock) {
    struct Lie {
        const char* what;
        std::function<void(ElfImage&)> tell;
    };
    const auto header = [](auto change) {
        return [change](ElfImage& image) {
            Elf64_Ehdr value = image.Header();
            change(value);
            image.SetHeader(value);
        };
    };
    const auto section = [](std::size_t index, auto change) {
        return [index, change](ElfImage& image) {
            Elf64_Shdr value = image.Section(index);
            change(value);
            image.SetSection(index, value);
        };
    };
    constexpr std::uint64_t kHuge = std::numeric_limits<std::uint64_t>::max() - 8;
    const ElfImage reference(ProgramSections(KorvaniBlock()));
    const std::size_t names = reference.NamesIndex();
    const std::uint64_t namesSize = reference.Section(names).sh_size;
    const std::vector<Lie> lies = {
        {"not ELF", header([](Elf64_Ehdr& h) { h.e_ident[EI_MAG1] = 'L'; })},
        {"32-bit", header([](Elf64_Ehdr& h) { h.e_ident[EI_CLASS] = ELFCLASS32; })},
        {"big-endian", header([](Elf64_Ehdr& h) { h.e_ident[EI_DATA] = ELFDATA2MSB; })},
        {"unknown ELF version", header([](Elf64_Ehdr& h) { h.e_ident[EI_VERSION] = EV_NONE; })},
        {"section header size", header([](Elf64_Ehdr& h) { h.e_shentsize = 40; })},
        {"no section headers", header([](Elf64_Ehdr& h) { h.e_shoff = 0; })},
        {"section headers past the end", header([](Elf64_Ehdr& h) { h.e_shoff += 4096; })},
        {"section headers at the edge", header([](Elf64_Ehdr& h) { h.e_shoff = kHuge; })},
        {"one section more than the file holds", header([](Elf64_Ehdr& h) { ++h.e_shnum; })},
        {"names index past the table", header([](Elf64_Ehdr& h) { --h.e_shnum; })},  // names are the last section
        {"names are no string table", section(names, [](Elf64_Shdr& s) { s.sh_type = SHT_PROGBITS; })},
        {"huge count in section 0",
         [&](ElfImage& image) {
             header([](Elf64_Ehdr& h) { h.e_shnum = 0; })(image);
             section(0, [](Elf64_Shdr& s) { s.sh_size = kHuge; })(image);
         }},
        {"names past the end", section(names, [](Elf64_Shdr& s) { s.sh_offset = kHuge; })},
        {"names longer than the file", section(names, [](Elf64_Shdr& s) { s.sh_size = kHuge; })},
        {"name past the end of the names",
         [&](ElfImage& image) {
             const std::uint32_t name = image.Section(kVersionSection).sh_name;
             section(names, [name](Elf64_Shdr& s) { s.sh_size = name - 1; })(image);
         }},
        {"name at the end of the names",
         section(kVersionSection, [&](Elf64_Shdr& s) { s.sh_name = static_cast<std::uint32_t>(namesSize); })},
        {"name cut by the end of the names",
         [&](ElfImage& image) {
             const std::uint32_t name = image.Section(kVersionSection).sh_name;
             section(names, [name](Elf64_Shdr& s) { s.sh_size = name + 10; })(image);
         }},
        {"no data in the file", section(kVersionSection, [](Elf64_Shdr& s) { s.sh_type = SHT_NOBITS; })},
        {"data past the end", section(kVersionSection, [](Elf64_Shdr& s) { s.sh_offset = kHuge; })},
        {"data longer than the file", section(kVersionSection, [](Elf64_Shdr& s) { s.sh_size += 4096; })},
        {"section shorter than its block", section(kVersionSection, [](Elf64_Shdr& s) { s.sh_size -= 1; })},
        {"section shorter than a header", section(kVersionSection, [](Elf64_Shdr& s) { s.sh_size = 27; })},
    };
    ASSERT_EQ(BlockOf(Write(reference.FileBytes())), KorvaniBlock());
    for (const Lie& lie : lies) {
        SCOPED_TRACE(lie.what);
        ElfImage image = reference;
        lie.tell(image);
        EXPECT_EQ(SizeOfBlockIn(image.FileBytes()), 0U);
    }
}

TEST_F(VersionFile, TwoVersionSectionsMeanNoBlock) {
    std::vector<ElfSection> sections = ProgramSections(KorvaniBlock());
    sections.push_back(sections[kVersionSection - 1]);
    EXPECT_EQ(SizeOfBlockIn(ElfImage(sections).FileBytes()), 0U);
}

TEST_F(VersionFile, OnlyTheExactSectionNameCounts) {
    for (const char* name : {".korvani.versio", ".korvani.version2", ".KORVANI.VERSION", "korvani.version", ""}) {
        SCOPED_TRACE(name);
        std::vector<ElfSection> sections = ProgramSections(KorvaniBlock());
        sections[kVersionSection - 1].name = name;
        EXPECT_EQ(SizeOfBlockIn(ElfImage(sections).FileBytes()), 0U);
    }
}

TEST_F(VersionFile, ADamagedBlockIsNoBlock) {
    Bytes damaged = KorvaniBlock();
    damaged.back() = 'x';  // the last value loses its zero
    EXPECT_EQ(SizeOfBlockIn(ElfImage(ProgramSections(damaged)).FileBytes()), 0U);
    Bytes cut = KorvaniBlock();  // the block's size says one byte more than the section holds
    cut.pop_back();
    EXPECT_EQ(SizeOfBlockIn(ElfImage(ProgramSections(cut)).FileBytes()), 0U);
}

TEST_F(VersionFile, ReadsBlocksUpToTheLargestSize) {
    const std::size_t limit = platform::kMaxVersionBlockBytes;
    const std::string key("k\0", 2);
    const Bytes largest = versiontest::HandWrittenBlock({{key, std::string(limit - 41, 'v') + '\0'}});
    ASSERT_EQ(largest.size(), limit);
    EXPECT_EQ(BlockOf(Write(ElfImage(ProgramSections(largest)).FileBytes())), largest);
    const Bytes tooLarge = versiontest::HandWrittenBlock({{key, std::string(limit - 40, 'v') + '\0'}});
    EXPECT_EQ(SizeOfBlockIn(ElfImage(ProgramSections(tooLarge)).FileBytes()), 0U);
}

TEST_F(VersionFile, EveryCutOrChangedByteIsSafe) {
    const Bytes whole = ElfImage(ProgramSections(KorvaniBlock())).FileBytes();
    for (std::size_t size = 0; size < whole.size(); ++size) {
        SCOPED_TRACE(testing::Message() << "cut to " << size);
        EXPECT_EQ(SizeOfBlockIn(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size))), 0U);
    }
    // A changed byte may leave a valid block (a changed letter in a value), or
    // none; a block that is found is whole.
    for (std::size_t at = 0; at < whole.size(); ++at) {
        SCOPED_TRACE(testing::Message() << "byte " << at);
        Bytes changed = whole;
        changed[at] ^= 0xFF;
        const Bytes block = BlockOf(Write(changed));
        if (!block.empty()) {
            EXPECT_EQ(block.size(), KorvaniBlock().size());
        }
    }
}

TEST_F(VersionFile, OtherFilesHaveNoBlock) {
    const std::string text = Write({'k', 'o', 'r', 'v', 'a', 'n', 'i', '\n'});
    const std::string empty = Write({});
    const std::string fifo = dir_.PathOf("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {text, empty, fifo, dir_.Path(), dir_.PathOf("missing")}) {
        SCOPED_TRACE(path);
        EXPECT_EQ(BlockOf(path), Bytes{});
    }
    EXPECT_EQ(GetFileVersionInfoSize(nullptr), 0U);
    EXPECT_FALSE(GetFileVersionInfo(nullptr, 4096, Bytes(4096).data()));
}

TEST_F(VersionFile, APathLongerThan255BytesIsRefused) {
    std::string folder = dir_.Path();
    while (folder.size() < 256) {
        folder += "/" + std::string(60, 'd');
        ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    }
    const std::string path = folder + "/korvani";
    const std::string shortPath = Write(ElfImage(ProgramSections(KorvaniBlock())).FileBytes());
    std::filesystem::copy_file(shortPath, path);
    EXPECT_EQ(BlockOf(shortPath), KorvaniBlock());
    EXPECT_EQ(GetFileVersionInfoSize(path.c_str()), 0U);
}

// Copies of this test program: the real linker's output, not a file the test
// wrote itself.
class ProgramCopy : public VersionFile {
protected:
    void SetUp() override {
        ASSERT_FALSE(program_.empty());
        // The block's bytes appear once in the file: in the version section.
        const Bytes& block = KorvaniBlock();
        const auto found = std::search(program_.begin(), program_.end(), block.begin(), block.end());
        ASSERT_NE(found, program_.end());
        ASSERT_EQ(std::search(found + 1, program_.end(), block.begin(), block.end()), program_.end());
        blockOffset_ = static_cast<std::size_t>(found - program_.begin());
    }

    const Bytes program_ = fixtures::ReadBytes(platform::GetModuleFileName());
    std::size_t blockOffset_ = 0;
};

TEST_F(ProgramCopy, CarriesTheBlock) {
    EXPECT_EQ(BlockOf(Write(program_)), KorvaniBlock());
}

TEST_F(ProgramCopy, CutShortHasNoBlock) {
    // The section headers sit at the end of the file, so every cut loses some.
    for (const std::size_t size : {std::size_t{63}, blockOffset_ + 10, program_.size() - 1}) {
        SCOPED_TRACE(size);
        EXPECT_EQ(SizeOfBlockIn(Bytes(program_.begin(), program_.begin() + static_cast<std::ptrdiff_t>(size))), 0U);
    }
}

TEST_F(ProgramCopy, WithADamagedBlockHasNoBlock) {
    for (const std::size_t at : {std::size_t{0}, std::size_t{4}, KorvaniBlock().size() - 1}) {
        SCOPED_TRACE(at);
        Bytes copy = program_;
        copy[blockOffset_ + at] ^= 0xFF;
        EXPECT_EQ(SizeOfBlockIn(copy), 0U);
    }
}

}  // namespace
