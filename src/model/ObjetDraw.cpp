#include "model/Objet.h"


// Drawing of the objects; each class overrides Draw.

namespace zov {

void TObjet::Draw(gfx::Graphics&) { }

void TObjet::DrawTrack(gfx::Graphics&) { }

} // namespace zov
