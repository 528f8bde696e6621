// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/Sound.h"

#include <memory>

namespace platform {

/// Makes the output that plays on the ALSA device "default", with blocking
/// writes. Its Open never blocks on a busy device and answers NoDevice at once
/// when there is no sound device; alsa-lib's own error printing is silenced.
std::unique_ptr<SoundOutput> MakeAlsaSoundOutput();

}  // namespace platform
