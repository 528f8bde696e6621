// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/Exceptions.h"

#include <utility>

xmsg::xmsg(std::string text) : Text(std::move(text)) {}

xalloc::xalloc(std::string text, std::size_t size) : xmsg(std::move(text)), Size(size) {}
