// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Qt icons from icon resources.

#include "resources/Resources.h"

#include <QIcon>

#include <span>

/// A multi-size icon holding every image of an icon resource.
QIcon IconFromResource(std::span<const res::IconImage> images);
