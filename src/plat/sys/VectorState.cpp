#include "plat/sys/VectorState.h"

namespace zov::sys {

void ClearUpperVectorHalves()
{
#if (defined(__x86_64__) || defined(__i386__)) && !defined(__AVX__)
    // Code built for 128-bit vectors keeps nothing in the upper halves, so nothing is lost.
    static const bool wide = __builtin_cpu_supports("avx");
    if (wide)
        asm volatile("vzeroupper");
#endif
}

} // namespace zov::sys
