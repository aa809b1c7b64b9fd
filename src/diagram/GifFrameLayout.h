#pragma once
// The animated GIF is cut at fixed offsets from single-frame GIFs: the signature, the screen
// descriptor and a 256-entry colour table in bytes 0 to 780, one graphic control extension at
// 781, the image descriptor and the image data from 789, the trailer last.

#include <QByteArray>

namespace zov {

// Refuses, with the assertion "Unexpected GIF frame layout", a frame that does not have that
// layout, or, given PALETTE (the first frame's colour table), one that indexes another table:
// cut at those offsets it would make a corrupt file that still looks like a GIF.
void CheckFrameLayout(const QByteArray& frame, const QByteArray* palette);

} // namespace zov
