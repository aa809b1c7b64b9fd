#pragma once
// Geometric questions of the racing rules between two racing boats at one step, and between a
// racing boat and a mark. Each answer is read from the objects, the racing hull outline and the
// current diagram's layline angle and zone radius; nothing is changed and nothing is kept.
//
// Headings: degrees, 0 = head to wind (bow to the top of the diagram), positive clockwise.
// A walk back through a boat's previous steps raises rt::InvalidCastError when it meets a
// step of another class.

#include "model/Geometry.h"

#include <array>

namespace zov {

class TObjet;
class TBateauCourse;

// The same boat at the previous step, or none; a step of another class raises
// rt::InvalidCastError rather than being read as a boat.
const TBateauCourse* PreviousStep(const TBateauCourse& boat);

// The seven points of the half outline placed on Boat (its heading, size, width and position),
// each coordinate rounded half to even. The mirrored half is not placed.
std::array<TPoint, 7> PlaceRacingHull(const TBateauCourse& boat);

// Starboard tack: heading below 0; head to wind keeps the tack of the previous step
// (starboard at the first step).
bool RuleIsStarboard(const TBateauCourse& boat);
// Heading strictly within 45 degrees of the wind, and so back to a step on the other tack.
bool RuleTacking(const TBateauCourse& boat);
bool RuleSameTack(const TBateauCourse& a, const TBateauCourse& b);
// All of B on or behind the line abeam through A's transom.
bool RuleClearAhead(const TBateauCourse& a, const TBateauCourse& b);
// A hull point strictly inside Obj's zone: a mark's own radius, any other object the
// diagram's default radius (boat lengths of 90 units).
bool RuleInZone(const TBateauCourse& boat, const TObjet& obj);
// All of B on or above (windward of) the line along A's centreline.
bool RuleIsLeeward(const TBateauCourse& a, const TBateauCourse& b);
// Boat strictly below the layline through Mark that matches its tack.
bool RuleLaylineSide(const TBateauCourse& boat, const TObjet& mark);
// Neither boat clear ahead of the other.
bool RuleOverlapped(const TBateauCourse& a, const TBateauCourse& b);
// A holds right of way over B.
bool RuleRightOfWay(const TBateauCourse& a, const TBateauCourse& b);

} // namespace zov
