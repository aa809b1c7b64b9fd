#include "model/Actions.h"
#include "model/Courbe.h"
#include "model/Objet.h"
#include "support/FakeDiagram.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <vector>

using namespace zov;
using zovtest::FakeDiagram;

namespace {

TObjet* arrow(int x = 0) { return new TFleche({ x, 0 }, 0, 1); }
TObjet* boat(int x = 0, float heading = 0) { return new TBateauCourse({ x, 0 }, heading, 1, 0, 0); }

std::vector<TObjet*> walk(TObjet* root)
{
    std::vector<TObjet*> out;
    for (TObjet* o = root; o; o = o->NextInWalk()) {
        out.push_back(o);
        if (out.size() > 100000)
            break; // a loop
    }
    return out;
}

// Every object is reached once, each FPrev names the object that links to it, no cycle.
::testing::AssertionResult isForest(TObjet* root)
{
    if (root && root->FPrev)
        return ::testing::AssertionFailure() << "root has a FPrev";
    std::set<TObjet*> seen;
    std::vector<TObjet*> stack;
    if (root)
        stack.push_back(root);
    while (!stack.empty()) {
        TObjet* o = stack.back();
        stack.pop_back();
        if (!seen.insert(o).second)
            return ::testing::AssertionFailure() << "object reached twice";
        for (TObjet* child : { o->FNext, o->FSibling })
            if (child) {
                if (child->FPrev != o)
                    return ::testing::AssertionFailure() << "FPrev does not name its parent";
                stack.push_back(child);
            }
    }
    if (walk(root).size() != seen.size())
        return ::testing::AssertionFailure() << "walk visits " << walk(root).size() << " of " << seen.size();
    return ::testing::AssertionSuccess();
}

std::vector<int> steps(TObjet* head)
{
    std::vector<int> out;
    for (TObjet* o = head; o; o = o->FNext)
        out.push_back(o->FSituation);
    return out;
}

} // namespace

TEST(Forest, WalkVisitsSiblingsBeforeNextStepsLaterMembersFirst)
{
    FakeDiagram d;
    TObjet *o1 = arrow(1), *o2 = arrow(2), *o3 = arrow(3), *a2 = arrow(12), *a3 = arrow(13), *b2 = arrow(22);
    d.FRoot = o1;
    o1->AppendSibling(o2);
    o1->AppendSibling(o3);
    o1->AddNext(a2);
    a2->AddNext(a3);
    o2->AddNext(b2);
    EXPECT_EQ(walk(o1), (std::vector<TObjet*> { o1, o2, o3, b2, a2, a3 }));
    EXPECT_EQ(a3->NextInWalk(), nullptr);
    EXPECT_TRUE(isForest(o1));
    EXPECT_TRUE(o2->IsHead());
    EXPECT_FALSE(a2->IsHead());
    EXPECT_EQ(a3->Predecessor(), a2);
    EXPECT_EQ(o2->Predecessor(), nullptr);
    EXPECT_EQ(o1->AppendSibling(nullptr), o1);
}

TEST(Forest, AddNextOnAnOccupiedStepAddsASibling)
{
    FakeDiagram d;
    TObjet *a = boat(0), *b = boat(90), *c = boat(180);
    d.FRoot = a;
    a->AddNext(b);
    a->AddNext(c);
    EXPECT_EQ(a->FNext, b);
    EXPECT_EQ(b->FSibling, c);
    EXPECT_EQ(c->FPrev, b);
    EXPECT_EQ(b->FTrackVisible, 1); // linked as next step: its track is fitted
    EXPECT_EQ(c->FTrackVisible, 0);
    EXPECT_TRUE(isForest(a));
}

TEST(Forest, InsertStepRenumbersRefitsAndRecordsUndo)
{
    FakeDiagram d;
    TObjet *s1 = boat(0), *s2 = boat(100), *s3 = boat(200);
    s2->FSituation = 2;
    s3->FSituation = 3;
    d.FRoot = s1;
    s1->LinkAfter(s2);
    s2->LinkAfter(s3);
    s3->FTrackVisible = 0;
    TObjet* inserted = boat(150);
    inserted->FSituation = 3;
    s2->InsertStep(inserted, false);
    EXPECT_EQ(steps(s1), (std::vector<int> { 1, 2, 3, 4 }));
    EXPECT_EQ(s2->FNext, inserted);
    EXPECT_EQ(inserted->FNext, s3);
    EXPECT_EQ(inserted->FCourbe->FP0, (TPoint { 100, 0 }));
    EXPECT_EQ(s3->FCourbe->FP0, (TPoint { 150, 0 }));
    EXPECT_EQ(s3->FTrackVisible, 1); // a refit shows the track again
    ASSERT_EQ(d.FUndoStack.size(), 1u);
    EXPECT_EQ(d.FUndoStack.back()->FName, "Insert");
    EXPECT_TRUE(isForest(s1));
}

TEST(Forest, InsertBeforeTakesThePlaceInEveryPosition)
{
    FakeDiagram d;
    TObjet *a = arrow(1), *b = arrow(2), *c = arrow(3), *b2 = arrow(4);
    d.FRoot = a;
    a->AppendSibling(b);
    a->AppendSibling(c);
    b->AddNext(b2);

    TObjet* beforeA = arrow(5); // head of the top-level chain: the caller moves the root
    a->InsertBefore(beforeA);
    d.FRoot = beforeA;
    EXPECT_TRUE(isForest(d.FRoot));
    EXPECT_EQ(beforeA->FNext, a);
    EXPECT_EQ(beforeA->FSibling, b);

    TObjet* beforeB = arrow(6); // a sibling
    b->InsertBefore(beforeB);
    EXPECT_TRUE(isForest(d.FRoot));
    EXPECT_EQ(beforeA->FSibling, beforeB);
    EXPECT_EQ(beforeB->FNext, b);
    EXPECT_EQ(beforeB->FSibling, c);

    TObjet* beforeB2 = arrow(7); // a next step
    b2->InsertBefore(beforeB2);
    EXPECT_TRUE(isForest(d.FRoot));
    EXPECT_EQ(b->FNext, beforeB2);
    EXPECT_EQ(beforeB2->FNext, b2);
    a->InsertBefore(nullptr);
    EXPECT_TRUE(isForest(d.FRoot));
}

TEST(Forest, UnlinkKeepsChainOrderAndItsOwnLinks)
{
    FakeDiagram d;
    TObjet *a = arrow(1), *b = arrow(2), *c = arrow(3), *b2 = arrow(4), *b3 = arrow(5);
    d.FRoot = a;
    a->AppendSibling(b);
    a->AppendSibling(c);
    b->AddNext(b2);
    b2->AddNext(b3);

    b->Unlink(); // a top-level object with later steps: its second step takes its place
    EXPECT_EQ(b->FUnlinked, 1);
    EXPECT_EQ(a->FSibling, b2);
    EXPECT_EQ(b2->FSibling, c);
    EXPECT_EQ(b2->FNext, b3);
    EXPECT_EQ(b->FNext, b2); // left as it was, for the delete record
    EXPECT_TRUE(isForest(a));
    EXPECT_EQ(walk(a), (std::vector<TObjet*> { a, b2, c, b3 }));

    b3->Unlink(); // a last step
    EXPECT_EQ(b2->FNext, nullptr);
    c->Unlink(); // a last sibling without steps
    EXPECT_EQ(b2->FSibling, nullptr);
    EXPECT_TRUE(isForest(a));

    a->Unlink(); // the root: the caller's business
    EXPECT_EQ(a->FUnlinked, 0);
    EXPECT_EQ(a->FSibling, b2);
    delete b;
    delete b3;
    delete c;
}

TEST(Forest, LongChainsAndLongListsAreFreedWithoutDeepRecursion)
{
    FakeDiagram d;
    TObjet* root = arrow();
    TObjet* last = root;
    for (int i = 0; i < 200000; ++i) {
        TObjet* o = arrow(i);
        last->LinkAfter(o);
        last = o;
    }
    last = root;
    for (int i = 0; i < 200000; ++i) {
        TObjet* o = arrow(i);
        last->FSibling = o;
        o->FPrev = last;
        last = o;
    }
    root->FreeTree(); // the sanitizer build sees any object freed twice or not at all
}

TEST(Forest, FreeTreeFreesNextStepsThenSiblingsThenTheObject)
{
    FakeDiagram d;
    static std::vector<int> order;
    struct Tracked : TFleche {
        Tracked(int id) : TFleche({ id, 0 }, 0, 1) { }
        ~Tracked() override { order.push_back(FX); }
    };
    TObjet *a = new Tracked(1), *b = new Tracked(2), *a2 = new Tracked(3), *a3 = new Tracked(4);
    a->AppendSibling(b);
    a->LinkAfter(a2);
    a2->LinkAfter(a3);
    order.clear();
    a->FreeTree();
    EXPECT_EQ(order, (std::vector<int> { 4, 3, 2, 1 }));
}

// Random sequences of forest operations keep the structure a forest.
TEST(Forest, RandomOperationsKeepAForest)
{
    std::mt19937 rng(12345);
    for (int round = 0; round < 40; ++round) {
        FakeDiagram d;
        d.FRoot = arrow();
        std::vector<TObjet*> linked { d.FRoot };
        std::vector<TObjet*> unlinked;
        for (int op = 0; op < 120; ++op) {
            TObjet* target = linked[rng() % linked.size()];
            switch (rng() % 5) {
            case 0:
                linked.push_back(arrow(op));
                d.FRoot->AppendSibling(linked.back());
                break;
            case 1:
                linked.push_back(arrow(op));
                target->InsertStep(linked.back(), true);
                break;
            case 2:
                linked.push_back(arrow(op));
                target->LinkAfter(linked.back());
                break;
            case 3: {
                TObjet* o = arrow(op);
                target->InsertBefore(o);
                if (target == d.FRoot)
                    d.FRoot = o;
                linked.push_back(o);
                break;
            }
            case 4:
                if (target != d.FRoot) {
                    target->Unlink();
                    std::erase(linked, target);
                    unlinked.push_back(target);
                }
                break;
            }
            ASSERT_TRUE(isForest(d.FRoot)) << "round " << round << " op " << op;
            ASSERT_EQ(walk(d.FRoot).size(), linked.size());
        }
        for (TObjet* o : unlinked) {
            o->FNext = o->FSibling = nullptr;
            delete o;
        }
    }
}
