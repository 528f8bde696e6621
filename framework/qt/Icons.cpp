// SPDX-License-Identifier: GPL-3.0-or-later
#include "framework/qt/Icons.h"

#include <QPixmap>

QIcon IconFromResource(std::span<const res::IconImage> images) {
    QIcon icon;
    for (const res::IconImage& image : images) {
        QPixmap pixmap;
        if (pixmap.loadFromData(image.png.data(), static_cast<uint>(image.png.size()), "PNG")) {
            icon.addPixmap(pixmap);
        }
    }
    return icon;
}
