#include "shell/RulesAnalysis.h"

#include "model/DiagramLink.h"
#include "model/Objet.h"
#include "model/RuleGeometry.h"
#include "plat/rt/Errors.h"

namespace zov {

namespace {

const char Module[] = "RulesF";

// The first racing boat of the top-level chain from Obj on, Obj included.
const TBateauCourse* NextRacingBoat(const TObjet* obj)
{
    for (; obj; obj = obj->FSibling) {
        if (obj->FGenre != gRacingBoat)
            continue;
        if (const auto* boat = dynamic_cast<const TBateauCourse*>(obj))
            return boat;
    }
    return nullptr;
}

// The boat's next step when it is a racing boat. A step of another class ends the boat's
// chain for the rules: what follows it cannot be read as the same boat.
const TBateauCourse* NextStep(const TBateauCourse& boat)
{
    return dynamic_cast<const TBateauCourse*>(boat.FNext);
}


// Tacked since its previous step.
bool ChangedTack(const TBateauCourse& boat)
{
    const TBateauCourse* prev = PreviousStep(boat);
    return prev && RuleIsStarboard(*prev) != RuleIsStarboard(boat);
}

// The first mark of the top-level chain whose zone holds either boat.
const TObjet* MarkInZone(const TObjet* first, const TBateauCourse& blue, const TBateauCourse& yellow)
{
    for (const TObjet* obj = first; obj; obj = obj->FSibling) {
        if (obj->FGenre == gMark && (RuleInZone(blue, *obj) || RuleInZone(yellow, *obj)))
            return obj;
    }
    return nullptr;
}

struct Pair {
    const TBateauCourse* blue = nullptr;
    const TBateauCourse* yellow = nullptr;
};

// The rows of one step. Previous holds the pair of the step before, none at the first step.
void StepRows(const TObjet* first, const Pair& now, const Pair& previous, std::vector<RuleRow>& rows)
{
    const TBateauCourse& blue = *now.blue;
    const TBateauCourse& yellow = *now.yellow;
    auto add = [&rows](const char* rule, const char* comment) { rows.push_back({ rule, comment }); };

    const bool rightOfWay = RuleRightOfWay(blue, yellow);
    rows.push_back({ "===> Situation " + std::to_string(blue.FSituation),
        std::string("ROW ") + (rightOfWay ? "Blue" : "Yellow") });

    const TObjet* mark = MarkInZone(first, blue, yellow);
    if (mark)
        add("18", "Rule 18 can apply");

    const bool sameTack = RuleSameTack(blue, yellow);
    if (sameTack) {
        if (RuleClearAhead(yellow, blue))
            add("", "Yellow is ahead Blue");
        if (RuleClearAhead(blue, yellow))
            add("", "Blue is ahead Yellow");
        if (RuleIsLeeward(yellow, blue))
            add("", "Yellow is leeward Blue");
        if (RuleIsLeeward(blue, yellow))
            add("", "Blue is leeward Yellow");
        if (mark && Rule183Applies(blue, yellow, *mark))
            add("18", "Rule 18.3 can apply");
    } else {
        if (RuleIsStarboard(blue))
            add("", "Blue is starboard tack");
        if (RuleIsStarboard(yellow))
            add("", "Yellow is starboard tack");
    }

    const bool blueTacking = RuleTacking(blue);
    const bool yellowTacking = RuleTacking(yellow);
    if (blueTacking)
        add("", "Blue is tacking");
    if (yellowTacking)
        add("", "Yellow is tacking");

    if (blueTacking || yellowTacking)
        add("13", "One boat is tacking");
    else if (!sameTack)
        add("10", "Boats are on opposite tacks");
    else if (RuleClearAhead(blue, yellow))
        add("12", "Blue is clear ahead of the other one");
    else if (RuleClearAhead(yellow, blue))
        add("12", "Yellow is clear ahead of the other one");
    else
        add("11", "Boats are overlapped");

    if (!previous.blue)
        return;
    if (RuleRightOfWay(*previous.blue, *previous.yellow) != rightOfWay)
        add("15", "Priority change (possible rule 15)");
    if (RuleClearAhead(*previous.blue, *previous.yellow) && RuleOverlapped(blue, yellow)
        && RuleIsLeeward(yellow, blue))
        add("17", "17 can apply");
    if (RuleClearAhead(*previous.yellow, *previous.blue) && RuleOverlapped(yellow, blue)
        && RuleIsLeeward(blue, yellow))
        add("17", "17 can apply");
}

} // namespace

std::string RulesListing::FailureText() const
{
    if (!failure)
        return {};
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown exception";
    }
}

bool Rule183Applies(const TBateauCourse& blue, const TBateauCourse& yellow, const TObjet& mark)
{
    const auto* bouee = dynamic_cast<const TBouee*>(&mark);
    if (bouee && bouee->FMarkType == 3)
        return true;
    if (RuleTacking(blue) && RuleLaylineSide(yellow, mark))
        return true;
    if (RuleTacking(yellow) && RuleLaylineSide(blue, mark))
        return true;
    if (ChangedTack(blue) && RuleLaylineSide(yellow, mark))
        return true;
    return ChangedTack(yellow) && RuleLaylineSide(blue, mark);
}

RulesListing ListRules(const TObjet* first)
{
    RulesListing listing;
    Pair now;
    now.blue = NextRacingBoat(first);
    now.yellow = now.blue ? NextRacingBoat(now.blue->FSibling) : nullptr;
    if (!now.yellow) {
        listing.twoBoatsNeeded = true;
        return listing;
    }

    Pair previous;
    std::vector<RuleRow> step;
    try {
        while (now.blue && now.yellow) {
            ZOV_ASSERT(now.blue->FSituation == now.yellow->FSituation,
                "Blue and Yellow are not at the same step", Module);
            step.clear();
            StepRows(first, now, previous, step);
            listing.rows.insert(listing.rows.end(), step.begin(), step.end());
            ++listing.steps;
            previous = now;
            now = { NextStep(*now.blue), NextStep(*now.yellow) };
        }
    } catch (const rt::InvalidCastError&) {
        // A step of another class behind one of the boats: the list ends at the last step
        // that could be read whole.
    } catch (const std::exception&) {
        listing.failure = std::current_exception();
    }
    return listing;
}

RulesListing ListRules(DiagramLink& diagram)
{
    CurrentDiagramScope current(&diagram);
    return ListRules(diagram.FRoot);
}

} // namespace zov
