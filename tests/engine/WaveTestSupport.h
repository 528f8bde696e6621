// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/WaveReporter.h"

#include "tests/support/FaultInjection.h"
#include "platform/Sound.h"
#include "tests/support/RecordingSoundOutput.h"
#include "tests/support/RiffBuilder.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace wavetest {

/// One message box as the user would have seen it.
struct Message {
    std::string text;
    std::optional<std::string> caption;  ///< none: the default caption

    bool operator==(const Message&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Message& message) {
    out << '"' << message.text << "\" under ";
    if (message.caption) {
        return out << '"' << *message.caption << '"';
    }
    return out << "no caption";
}

/// A box with no caption of its own.
inline Message Box(std::string text) {
    return {std::move(text), std::nullopt};
}

/// A box with a caption.
inline Message Box(std::string text, std::string caption) {
    return {std::move(text), std::move(caption)};
}

/// Records every message in order, as the user would see them, and can run a
/// check at the moment each one is shown.
class RecordingReporter final : public TWaveReporter {
public:
    void Report(std::string_view text, const char* caption) override {
        if (onReport) {
            onReport();
        }
        messages.push_back(
            {std::string(text), caption == nullptr ? std::nullopt : std::optional<std::string>(caption)});
    }

    std::vector<Message> messages;
    std::function<void()> onReport;  ///< called before each message is recorded
};

/// The platform resources held right now, for before/after comparisons.
struct Holdings {
    unsigned blocks;
    unsigned lockedBlocks;
    unsigned files;

    static Holdings Now() {
        const platform::fault::HeldResources held = platform::fault::Held();
        return {held.globalBlocks, held.lockedGlobalBlocks, held.openMmioFiles};
    }

    bool operator==(const Holdings&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Holdings& held) {
    return out << held.blocks << " blocks (" << held.lockedBlocks << " locked), " << held.files << " files";
}

/// `description` as a test name: every character but letters and digits becomes '_'.
inline std::string TestName(std::string description) {
    for (char& c : description) {
        if (std::isalnum(static_cast<unsigned char>(c)) == 0) {
            c = '_';
        }
    }
    return description;
}

/// Base of the document tests: a temporary folder for generated WAV files, a
/// sound output that records instead of playing, cleared faults, a reporter,
/// and the resources held when the test began.
class WaveFileTest : public ::testing::Test {
protected:
    /// Writes `bytes` as the file `name` in the test's folder; answers its path.
    std::string WriteFile(std::string_view name, const fixtures::Bytes& bytes) { return folder.Write(name, bytes); }

    /// The resources held now, less those held when the test began.
    Holdings HeldSinceStart() const {
        const Holdings now = Holdings::Now();
        return {now.blocks - atStart.blocks, now.lockedBlocks - atStart.lockedBlocks, now.files - atStart.files};
    }

    static constexpr Holdings kNothing{0, 0, 0};

    fixtures::TempDir folder;
    fixtures::RecordingSoundOutput sound;
    TScopedSeam<platform::SoundOutput> soundInstalled{sound};
    platform::fault::ScopedFaults faults;
    Holdings atStart = Holdings::Now();
    RecordingReporter reporter;
};

}  // namespace wavetest
