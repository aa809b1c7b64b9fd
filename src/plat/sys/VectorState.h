#pragma once
// Qt's raster engine fills opaque spans with code that leaves the upper halves of the vector
// registers in use, on processors with 256-bit vectors. Until they are cleared, each plain
// 128-bit vector instruction that follows (all floating-point arithmetic, ours and much of Qt's)
// waits on them: reading a diagram or laying out its drawing ran up to twice as slow. Code that
// hands pixels to Qt clears them when Qt returns.

namespace zov::sys {

// Marks the upper halves of the vector registers unused, where the processor has them and this
// code does not use them itself.
void ClearUpperVectorHalves();

} // namespace zov::sys
