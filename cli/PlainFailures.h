// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/FailureCode.h"

#include <string>
#include <string_view>

/// A failure as korvani-pitch states it: a short plain reason and its code.
struct PlainFailure {
    FailureCode Code;
    std::string Reason;
};

/// The command line's words for a failure box of korvani's WAV engine or of
/// its analysis (`caption` null for none): "not a WAV file" for "This is not a
/// WAV file.", "unsupported resolution: 24 bits per sample" for the
/// resolution box, "no local maximum" for "no lokal maximum!"; a text it has
/// no words for is kept as it is, coded "failed". The window keeps its own
/// texts; only korvani-pitch speaks these.
PlainFailure PlainFailureOf(std::string_view text, const char* caption);
