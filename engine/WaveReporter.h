// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

/// Where the WAV engine's messages go: one call is one message box, with its
/// text and its caption or none (nullptr), in the order the user is to see
/// them. The engine never waits for an answer. The window program shows each
/// one as a modal OK box on the document's message owner; the command-line
/// tool prints it. Owns nothing and is owned by whoever runs the engine.
class TWaveReporter {
public:
    virtual ~TWaveReporter() = default;

    /// Shows one message: `text`, under `caption`, or under the default
    /// caption when `caption` is nullptr.
    virtual void Report(std::string_view text, const char* caption) = 0;
};
