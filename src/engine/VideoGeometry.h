// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where a picture goes on screen and which part of it is shown.

#include <QRect>
#include <QSize>

namespace VideoGeometry {

// Largest rectangle of the video's shape inside `client`, centred (integer arithmetic
// rounded like MulDiv, so both bars differ by at most the odd pixel).
QRect letterBoxRect(const QRect& client, const QSize& video);

// The centred part of a source picture left after cutting `zoom` percent of its width,
// with the picture's own shape kept.
QRect zoomSourceRect(const QSize& source, int zoom);

// `source` cut further, centred, to the shape of `target`, so that it fills the target
// undistorted; `pixelAspect` is the width of one source pixel over its height.
QRect cropToShape(const QRect& source, double pixelAspect, const QSize& target);

// The size a picture of `pixels` has on a square-pixel screen.
QSize displaySize(const QSize& pixels, double pixelAspect);

} // namespace VideoGeometry
