#pragma once
// The track drawn between two successive positions of an object: a cubic Bezier that leaves the
// earlier position along its heading and arrives at the later one along its heading.

#include "model/Geometry.h"

namespace zov {

class TCourbe {
public:
    TPoint FP0, FP1, FP2, FP3; // start, two control points, end; refitted, never stored

    // Carried through the file unchanged; nothing reads them.
    float FParamA = 0;
    float FParamB = 0;
    float FStartAngle = 0; // heading of the predecessor when the track was fitted
    float FVisibility = 1.0f; // in the file: 0.5 track drawn, 1.0 hidden
    float FParamC = 1.0f;
    float FParamD = 0;
    float FEndAngle = 0; // heading of the object when the track was fitted
    float FParamE = 1.0f;
    float FParamF = 0.5f;
    float FParamG = 0;
    float FParamH = 0.5f;
};

} // namespace zov
