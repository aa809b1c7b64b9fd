#pragma once
// Which racing rules can apply, step by step, between the first two racing boats of a diagram
// ("Blue" and "Yellow"). Pure computation over the object forest: the rules panel shows the
// rows, tests read them directly. Nothing in the diagram is changed.

#include <exception>
#include <string>
#include <vector>

namespace zov {

class DiagramLink;
class TObjet;
class TBateauCourse;

// One row of the list: its caption (a rule number, a step heading or empty) and its comment.
struct RuleRow {
    std::string rule;
    std::string comment;
    bool operator==(const RuleRow&) const = default;
};

// Shown instead of a list when the top level holds fewer than two racing boats.
inline constexpr const char* TwoBoatsNeededText = "2 boats needed";

struct RulesListing {
    // Fewer than two racing boats at the top level: no rows were made.
    bool twoBoatsNeeded = false;
    // Whole step groups only: a step whose rows could not all be computed adds none.
    std::vector<RuleRow> rows;
    // Step groups listed.
    int steps = 0;
    // What ended the list early and must be reported (Blue and Yellow at different step
    // numbers); the rows before it stand. A step of another class in a boat's chain is not a
    // failure: the list simply ends at the last step both boats reach as racing boats.
    std::exception_ptr failure;
    // The failure's text, empty when there is none.
    std::string FailureText() const;
};

// The rows for the top-level chain that starts at First. The rule geometry reads its layline
// angle and default zone from the current diagram.
RulesListing ListRules(const TObjet* first);
// The rows for Diagram's forest, with Diagram made current while they are computed.
RulesListing ListRules(DiagramLink& diagram);

// Whether "Rule 18.3 can apply" at Mark, the mark whose zone holds Blue or Yellow: a windward
// mark, or a boat tacking or just tacked while the other lies below its layline through the mark.
bool Rule183Applies(const TBateauCourse& blue, const TBateauCourse& yellow, const TObjet& mark);

} // namespace zov
