// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's own pictures: the 16 x 16 transport and menu icons, and the two
// 104 x 23 volume bar images.

#include <QIcon>
#include <QList>
#include <QPixmap>

namespace Icons {

enum Index {
    kPrevious = 0,
    kRewind = 1,
    kPause = 2,
    kPlay = 3,
    kStop = 4,
    kForward = 5,
    kNext = 6,
    kPlaylist = 7,
    kFullScreen = 8,
    kOpen = 9,
    kHelp = 10,
    kAbout = 11,
};

// Twelve 16 x 16 images in index order.
QList<QPixmap> transportImages();
// Image `index` as an icon drawn at whatever size and screen scale it is shown.
QIcon transportIcon(int index);
// Image 0 the volume bar's background, image 1 its filled bar; 104 x 23 each.
QList<QPixmap> volumeBarImages();

} // namespace Icons
