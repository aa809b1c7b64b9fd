// Load -> save -> load of generated forests with branches and of every template gives the same
// forest, step numbers, boat numbers and settings words; and the reader rebuilds exactly the
// forest that was written, numbering its racing boats by where they stand.

#include "diagram/Diagram.h"
#include "diagram/DiagramFile.h"
#include "model/Objet.h"
#include "support/ForestWalk.h"
#include "support/RandomForest.h"
#include "support/RoundTrip.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace zov;
using zovtest::walk;

namespace {

// The shape of the forest: each object's class, position and links, in walk order.
std::string shape(const TDiagram& d)
{
    std::map<const TObjet*, int> ids;
    for (TObjet* o : walk(d))
        ids.emplace(o, int(ids.size()));
    auto id = [&](const TObjet* o) { return o ? std::to_string(ids.at(o)) : std::string("-"); };
    std::string out;
    for (TObjet* o : walk(d))
        out += ClassNameOf(*o) + " " + std::to_string(o->FX) + "," + std::to_string(o->FY) + " n"
            + id(o->FNext) + " s" + id(o->FSibling) + " p" + id(o->FPrev) + "\n";
    return out;
}

// Whether O is a later position of its FPrev: its next step, or a further next step (a sibling
// of a step of a chain).
bool LaterPosition(const TObjet* o)
{
    if (!o->FPrev)
        return false;
    if (o->FPrev->FNext == o)
        return true;
    const TObjet* first = o->FPrev;
    while (first->FPrev && first->FPrev->FSibling == first)
        first = first->FPrev;
    return first->Predecessor() != nullptr;
}

} // namespace

TEST(RoundTrip, GeneratedForestsWithBranchesReadBackTheSame)
{
    int furtherRacingSteps = 0; // racing boats read as further next steps of a racing boat
    for (unsigned seed = 1; seed <= 60; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        TDiagram d;
        zovtest::RandomForest(seed).Fill(d, 20 + int(seed % 5) * 15);
        const auto bytes = zovtest::ExpectRoundTrip(d);

        TDiagram read;
        ASSERT_TRUE(read.LoadFromBytes("generated", bytes.data(), bytes.size(), false));
        ASSERT_EQ(LastFileReport().outcome, FileReport::Outcome::Done);
        EXPECT_EQ(shape(read), shape(d));
        EXPECT_EQ(zovtest::DescribeSettings(read), zovtest::DescribeSettings(d));

        // A racing boat that is a later position of a racing boat is that boat; every other one
        // is a new boat, numbered in the order of the file.
        std::set<int> newBoats;
        for (TObjet* o : walk(read)) {
            auto* boat = dynamic_cast<TBateauCourse*>(o);
            if (!boat)
                continue;
            if (LaterPosition(o) && dynamic_cast<TBateauCourse*>(o->FPrev)) {
                EXPECT_EQ(boat->FBoatIndex, o->FPrev->FBoatIndex) << o->FX << "," << o->FY;
                furtherRacingSteps += o->FPrev->FNext != o;
            } else
                EXPECT_TRUE(newBoats.insert(boat->FBoatIndex).second) << o->FX << "," << o->FY;
        }
        EXPECT_EQ(read.FBoatCount, int(newBoats.size()));
        if (!newBoats.empty()) {
            EXPECT_EQ(*newBoats.begin(), 1);
            EXPECT_EQ(*newBoats.rbegin(), read.FBoatCount);
        }
    }
    EXPECT_GT(furtherRacingSteps, 20) << "the forests have too few branches to tell";
}

TEST(RoundTrip, EveryTemplateReadsBackTheSame)
{
    for (auto make : { &TDiagram::NewStart, &TDiagram::NewFinish1, &TDiagram::NewFinish2,
             &TDiagram::NewWindward, &TDiagram::NewLeeward, &TDiagram::NewGate, &TDiagram::NewFull,
             &TDiagram::NewEmpty }) {
        TDiagram d;
        (d.*make)();
        zovtest::ExpectRoundTrip(d);
    }
}
