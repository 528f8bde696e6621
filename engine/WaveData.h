// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/AnalysisStart.h"
#include "engine/WaveReporter.h"

#include "analysis/AnalysisBuffers.h"
#include "analysis/FrequencyAnalysis.h"
#include "platform/Mmio.h"
#include "platform/WavFormat.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

enum class LoadFailure;  // engine/WaveTexts.h

/// How the analysis reads a file of several channels.
enum class ChannelReading {
    Mixed,        ///< each frame's channels mixed into one value, as a listener hears them
    Interleaved,  ///< the values one after another, as one signal at the file's rate
};

/// One WAV file as the document holds it: opens it, finds its RIFF
/// "WAVE", "fmt " and "data" chunks, reads the two chunks whole into locked
/// memory blocks, shows the channel count, rate and resolution, sets up the
/// analysis and computes the spectrum; closes the file and gives everything
/// back. Every message goes to a TWaveReporter, one box each, in order.
///
/// It owns the open file, both blocks and the analysis
/// buffers, from the load that takes them until Close, the next Load or its
/// own end. It knows no window, no framework and no sound device: the
/// command-line tool reads files through it as it is, the window program
/// through TPlayedWaveData, which plays each file before reading it.
///
/// Its state carries the program's own names; only this class writes it,
/// readers see it through the accessors.
class TWaveData {
public:
    /// Nothing loaded: no file, no blocks, DataSize 0. `analysisAllocationLimit`
    /// caps the bytes one analysis set-up may allocate (see FrequencyAnalysis).
    /// A real limit, not a seam: analysis/ takes it as a plain argument, and
    /// the fuzz driver sets a lower one to keep its memory bounded.
    explicit TWaveData(std::size_t analysisAllocationLimit = AllocationBudget::kAnalysisBytes);

    /// Frees both blocks if still held, closes the file if it is still open
    /// (result ignored), and frees the analysis buffers.
    virtual ~TWaveData();

    TWaveData(const TWaveData&) = delete;
    TWaveData& operator=(const TWaveData&) = delete;

    /// Loads the file at `path` (empty: no path): first gives back the file and
    /// blocks an earlier load still holds (its rate, resolution and spectrum
    /// stay until this load replaces them), runs BeforeReading, opens the
    /// file, reads its "fmt " chunk, shows the channel count when it is not 1
    /// and the rate and resolution, and reads its "data" chunk. Answers true
    /// with the file open and both blocks locked; false after showing why, with
    /// the file closed and no block held.
    bool Load(const std::string& path, TWaveReporter& reporter);

    /// How the next analysis set-up reads several channels; Mixed unless set.
    void SetChannelReading(ChannelReading reading) { reading_ = reading; }

    /// The sample values the analysis and the preview mix into one frame: the
    /// channel count when mixed, 1 when interleaved.
    std::uint16_t ValuesPerFrame() const { return reading_ == ChannelReading::Mixed ? channels_ : 1; }

    /// Sets up the analysis of the loaded samples: chooses the transform size,
    /// builds the tables, refuses resolutions other than 8 and 16 bits, lets
    /// `chooser` show the preview and choose the start sample (a frame of
    /// ValuesPerFrame values), and computes the spectrum of those frames. Answers 1, or 0 after its message ("memory
    /// allocation impossible", "%d  bits/sample") or the chooser's. Needs a successful Load (throws std::logic_error
    /// otherwise).
    int PrepareAnalysis(TAnalysisStartChooser& chooser, TWaveReporter& reporter);

    /// Load, then PrepareAnalysis; shows "Failed" under "init" when the set-up
    /// does not answer 1. Answers true when both succeeded. After a failed
    /// set-up the file stays open and both blocks stay held.
    bool Open(const std::string& path, TAnalysisStartChooser& chooser, TWaveReporter& reporter);

    /// Closes the file. Answers true when no file is open or the close
    /// succeeded (both blocks are then freed); shows "MMIOERR_CANNOTWRITE" or
    /// "MMIOERR_CANNOTCLOSE" under "mmioClose" and answers false for those
    /// close results, keeping the blocks; answers true for any other result,
    /// keeping the blocks too (freed at the end of this object).
    bool Close(TWaveReporter& reporter);

    /// True when a load has found a non-empty "data" chunk, also when a later
    /// step of that load failed.
    bool IsOpen() const { return dataSize_ != 0; }

    /// The loaded "data" chunk: DataSize bytes, or nothing.
    std::span<const std::uint8_t> Samples() const;

    /// The loaded "fmt " chunk: FormatSize bytes, or nothing.
    std::span<const std::byte> FormatBytes() const { return formatBlock_.Bytes(); }

    /// The path as played and opened, never cut; empty before a load.
    const std::string& FileName() const { return fileName_; }
    /// Size of the "fmt " chunk in bytes.
    std::uint32_t FormatSize() const { return formatSize_; }
    /// Size of the "data" chunk in bytes; 0 before any load.
    std::uint32_t DataSize() const { return dataSize_; }
    /// Result of the last file close made by Close.
    std::uint32_t CloseResult() const { return closeResult_; }
    /// Samples per second, from the "fmt " chunk.
    std::uint32_t SampleRate() const { return sampleRate_; }
    /// Number of channels, from the "fmt " chunk (never 0 after a load reads it).
    std::uint16_t Channels() const { return channels_; }
    /// Resolution computed from the byte rate.
    std::uint32_t BitsPerSample() const { return bitsPerSample_; }
    /// Transform size, tables, spectrum.
    const FrequencyAnalysis& Analysis() const { return analysis_; }
    /// The same analysis, for a caller that sets it up again for values of its
    /// own (korvani-pitch's mixed and centred readings) instead of holding a
    /// second one beside it.
    FrequencyAnalysis& Analysis() { return analysis_; }

protected:
    /// Called by each load that has a path, once the earlier load is given
    /// back and before the file is opened; does nothing here.
    virtual void BeforeReading(const std::string& path);

private:
    std::optional<LoadFailure> ReadChunks(TWaveReporter& reporter);
    void ReleaseBlocksAndFile();
    void ReleaseLoad();

    std::string fileName_;
    platform::MmioHandle waveFile_ = nullptr;  // open for reading after a load
    platform::MmioChunkInfo riffChunk_;        // the RIFF "WAVE" chunk, parent of the searches
    platform::MmioChunkInfo subChunk_;         // the "fmt " chunk, then the "data" chunk
    std::uint32_t formatSize_ = 0;
    std::uint32_t dataSize_ = 0;
    platform::LockedBlock formatBlock_;
    platform::LockedBlock dataBlock_;
    std::uint32_t closeResult_ = 0;
    // The rate, channels and resolution stay until a load replaces them.
    std::uint32_t sampleRate_ = 0;
    std::uint16_t channels_ = 0;
    std::uint32_t bitsPerSample_ = 0;
    ChannelReading reading_ = ChannelReading::Mixed;
    FrequencyAnalysis analysis_;
};
