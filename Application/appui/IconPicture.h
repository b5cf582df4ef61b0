#pragma once

#include "Platform/os/Icons.h"

#include <QPixmap>

/// The picture of a file's icon for a square of side pixels: of an icon with several images the
/// smallest one not below that size is taken, else the largest, and a larger one is scaled down
/// to fit. A null picture when the data cannot be decoded (an unknown or damaged format).
QPixmap IconPicture(const vrx::os::IconImage& icon, int side);
