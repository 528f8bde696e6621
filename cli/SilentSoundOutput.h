// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Sound.h"

/// The sound output of the command-line tool: there is no sound to hear, so
/// every sound finds "no device" and ends at once, before a sample is read.
/// Holds nothing.
class SilentSoundOutput final : public platform::SoundOutput {
public:
    /// Answers NoDevice for every sound.
    OpenResult Open(const platform::SoundSource&, const platform::PcmFormat&) override { return OpenResult::NoDevice; }

    /// Never reached after a refused Open; takes nothing.
    bool Write(std::span<const std::byte>) override { return false; }

    /// Nothing to let go.
    void Close() override {}
};
