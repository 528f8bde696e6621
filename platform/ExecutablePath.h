// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

/// The program's own file, as the about box needs it for its version block.
namespace platform {

/// Answers the absolute path of the running program's executable file
/// (/proc/self/exe resolved); empty when the system cannot tell.
std::string GetModuleFileName();

}  // namespace platform
