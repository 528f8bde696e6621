// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/WaveReporter.h"

#include "framework/MessageBox.h"

#include <string_view>

class TWindow;

/// Shows each message of the WAV engine as a modal OK box, no icon, owned by
/// one window: the main window for the load and the close, the spectrum view
/// for the sample-rate rewrite. Owns nothing.
class TOwnerMessageBoxes final : public TWaveReporter {
public:
    /// Boxes owned by `owner` (nullptr: no owner).
    explicit TOwnerMessageBoxes(TWindow* owner) : Owner(owner) {}

    /// One box with `text` under `caption` (nullptr: the default caption).
    void Report(std::string_view text, const char* caption) override { MessageBoxEx(Owner, text, caption, MB_OK); }

private:
    TWindow* Owner;
};
