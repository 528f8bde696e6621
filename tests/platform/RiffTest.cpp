// SPDX-License-Identifier: GPL-3.0-or-later
// The rules of RIFF and RF64 "WAVE" files that every reader and writer shares,
// one row each: what a file's chunks are found to be, where its form ends, and
// what adding a chunk leaves.
#include "platform/Riff.h"

#include "platform/RegularFile.h"
#include "tests/support/RiffBuilder.h"
#include "tests/support/TempDir.h"

#include <fcntl.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using fixtures::AppendFourCC;
using fixtures::AppendLe32;
using fixtures::Bytes;
using fixtures::FmtFields;
using fixtures::RiffBuilder;

enum class Probe {
    Layout,    // the "fmt " and "data" chunks ReadWaveLayout finds
    FormEnd,   // RiffFormEnd
    AddChunk,  // the chunks and RIFF size after AddChunk of a 4-byte "smpl"
    IffWalk,   // the chunks walked with big-endian sizes
};

struct RiffRule {
    const char* name;
    Bytes file;
    Probe probe;
    std::string expected;
};

std::string ChunkText(const platform::RiffChunk& chunk) {
    std::string id(4, ' ');
    for (std::size_t i = 0; i < id.size(); ++i) {
        id[i] = static_cast<char>(chunk.id >> (8 * i));
    }
    return id + "@" + std::to_string(chunk.contents) + "+" + std::to_string(chunk.size);
}

std::string LayoutText(const platform::WaveLayout& layout) {
    std::string text = layout.HasFormat
                           ? "fmt @" + std::to_string(layout.FormatOffset) + "+" + std::to_string(layout.FormatSize) +
                                 (layout.Format().IsPcm() ? " pcm" : " other")
                           : "no fmt";
    text += layout.HasData ? " data@" + std::to_string(layout.DataOffset) + "+" + std::to_string(layout.DataSize)
                           : " no data";
    return text + (layout.DataCutShort() ? " cut short" : "");
}

std::uint32_t RiffSize(const platform::ReadAt& read) {
    std::array<std::byte, 4> size{};
    return read(4, size) ? platform::ReadLittleEndian32(size.data()) : 0;
}

// The RIFF size and the chunks of the form it declares, then the bytes after the form.
std::string FormText(const platform::ReadAt& read, std::uint64_t fileSize) {
    const std::uint64_t formEnd = platform::kChunkHeaderBytes + RiffSize(read);
    std::string text = "riff " + std::to_string(formEnd - platform::kChunkHeaderBytes) + ":";
    platform::ChunkWalk walk(read, platform::kFirstChunkOffset, formEnd);
    while (const auto chunk = walk.Next()) {
        text += " " + ChunkText(*chunk);
    }
    std::string after(fileSize - std::min(fileSize, formEnd), '\0');
    read(formEnd, std::as_writable_bytes(std::span(after)));
    return text + (after.empty() ? "" : " then \"" + after + "\"");
}

std::string Observe(const std::string& path, Probe probe) {
    const platform::FileDescriptor file(::open(path.c_str(), O_RDWR | O_CLOEXEC));
    const std::uint64_t fileSize = fixtures::ReadBytes(path).size();
    const platform::ReadAt read = platform::ReadAtDescriptor(file.Get());
    switch (probe) {
    case Probe::Layout: {
        const auto layout = platform::ReadWaveLayout(read, fileSize);
        return layout ? LayoutText(*layout) : "not a WAVE file";
    }
    case Probe::FormEnd: {
        const auto end = platform::RiffFormEnd(read, RiffSize(read), fileSize);
        return end ? "form end " + std::to_string(*end) : "no form end";
    }
    case Probe::AddChunk: {
        const auto end = platform::RiffFormEnd(read, RiffSize(read), fileSize);
        const std::array<std::byte, 4> contents{std::byte{1}, std::byte{2}, std::byte{3}, std::byte{4}};
        if (!end || platform::AddChunk(file.Get(), *end, fileSize, platform::MmioFourCC("smpl"), contents) !=
                        platform::ChunkAdd::Done) {
            return "not added";
        }
        return FormText(read, fixtures::ReadBytes(path).size());
    }
    case Probe::IffWalk: {
        platform::ChunkWalk walk(read, platform::kFirstChunkOffset, fileSize);
        walk.ReadSizesBigEndian();
        std::string text;
        while (const auto chunk = walk.Next()) {
            text += ChunkText(*chunk) + " ";
        }
        return text;
    }
    }
    return "";
}

Bytes Extensible(std::uint8_t guidByte2) {
    Bytes fmt = FmtFields{0xFFFE, 1, 8000, 16000, 2, 16}.Encode();
    const Bytes tail{22, 0, 16,        0, 4, 0, 0,    0,  // extra size, valid bits, channel mask
                     1,  0, guidByte2, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
    fmt.insert(fmt.end(), tail.begin(), tail.end());
    return RiffBuilder().Chunk("fmt ", fmt).Data(Bytes(4, 7)).Build();
}

// An RF64 file: "ds64" declares a "data" size of 5,000,000,000 bytes.
Bytes Rf64() {
    Bytes file;
    AppendFourCC(file, "RF64");
    AppendLe32(file, 0xFFFFFFFFU);
    AppendFourCC(file, "WAVE");
    AppendFourCC(file, "ds64");
    AppendLe32(file, 28);
    const Bytes sizes{0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0xF2, 0x05, 0x2A, 0x01, 0,
                      0, 0, 0, 0, 0, 0, 0, 0, 0,    0,    0,    0,    0,    0};
    file.insert(file.end(), sizes.begin(), sizes.end());
    const Bytes chunks =
        RiffBuilder().Fmt(FmtFields::Pcm(1, 8000, 16)).ChunkClaiming("data", Bytes(4, 7), 0xFFFFFFFFU).Build();
    file.insert(file.end(), chunks.begin() + 12, chunks.end());
    return file;
}

// An AIFF file: an odd-sized "ANNO" chunk, then an 18-byte "COMM" chunk, sizes big-endian.
Bytes Aiff() {
    Bytes file;
    const auto header = [&](std::string_view id, std::uint32_t size) {
        AppendFourCC(file, id);
        for (int shift = 24; shift >= 0; shift -= 8) {
            file.push_back(static_cast<std::uint8_t>(size >> shift));
        }
    };
    header("FORM", 42);
    AppendFourCC(file, "AIFF");
    header("ANNO", 3);
    file.insert(file.end(), {'a', 'b', 'c', 0});
    header("COMM", 18);
    file.resize(file.size() + 18, 1);
    return file;
}

TEST(RiffRules, EachRuleHoldsForReadersAndWriters) {
    const FmtFields pcm = FmtFields::Pcm(1, 8000, 16);
    const Bytes cutData = RiffBuilder().Fmt(pcm).ChunkClaiming("data", Bytes(4, 7), 100).Build();
    Bytes withTail = RiffBuilder().Fmt(pcm).Data(Bytes(4, 7)).Build();
    withTail.insert(withTail.end(), {'T', 'A', 'I', 'L'});
    const RiffRule rules[] = {
        {"an odd-sized chunk is followed by its pad byte",
         RiffBuilder().Chunk("odd ", Bytes(3, 9)).Fmt(pcm).Data(Bytes(4, 7)).Build(), Probe::Layout,
         "fmt @32+16 pcm data@56+4"},
        {"a data chunk running past the file's end is cut short", cutData, Probe::Layout,
         "fmt @20+16 pcm data@44+100 cut short"},
        {"a chunk running past the file's end leaves no safe place to add one", cutData, Probe::FormEnd, "no form end"},
        {"a RIFF size left at 0 makes the form end at the file's end",
         RiffBuilder().Fmt(pcm).Data(Bytes(4, 7)).ClaimRiffSize(0).Build(), Probe::FormEnd, "form end 48"},
        {"RF64 takes the data size from ds64", Rf64(), Probe::Layout, "fmt @56+16 pcm data@80+5000000000 cut short"},
        {"extensible with the PCM GUID is PCM", Extensible(0), Probe::Layout, "fmt @20+40 pcm data@68+4"},
        {"a GUID that only starts like PCM's is not PCM", Extensible(1), Probe::Layout, "fmt @20+40 other data@68+4"},
        {"an added chunk follows a pad byte and grows the RIFF size",
         RiffBuilder().Fmt(pcm).ChunkClaiming("odd ", Bytes(3, 9), 3).Build(), Probe::AddChunk,
         "riff 52: fmt @20+16 odd @44+3 smpl@56+4"},
        {"IFF sizes are big-endian, odd ones padded too", Aiff(), Probe::IffWalk, "ANNO@20+3 COMM@32+18 "},
        {"bytes after the form follow the added chunk", withTail, Probe::AddChunk,
         "riff 52: fmt @20+16 data@44+4 smpl@56+4 then \"TAIL\""},
    };
    for (const RiffRule& rule : rules) {
        fixtures::TempDir folder;
        EXPECT_EQ(Observe(folder.Write("rule.wav", rule.file), rule.probe), rule.expected) << rule.name;
    }
}

}  // namespace
