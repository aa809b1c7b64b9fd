#pragma once
// Random diagrams for the file tests: every kind of object with random values within what the
// file holds, chains of steps with branches (further next steps of a position, as files can
// hold), steps of another class inside chains, hidden racing positions, and random settings.

#include "diagram/Diagram.h"
#include "model/Courbe.h"
#include "model/DiagramLink.h"
#include "model/Objet.h"
#include "plat/gfx/Bitmap.h"

#include <QColor>
#include <QImage>

#include <iterator>
#include <random>
#include <string>

namespace zovtest {

class RandomForest {
public:
    explicit RandomForest(unsigned seed)
        : m_rng(seed)
    {
    }

    // Gives D (empty) about Count objects and random header and settings words.
    void Fill(zov::TDiagram& d, int count)
    {
        zov::CurrentDiagramScope scope(&d);
        m_left = count;
        while (m_left > 0) {
            zov::TObjet* head = NewObject(d, AnyKind(), 1);
            if (!d.FRoot)
                d.FRoot = head;
            else
                d.FRoot->AppendSibling(head);
            GrowChain(d, head, 0);
        }
        FillSettings(d);
    }

private:
    int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }
    float Real(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(m_rng); }
    bool Chance(int percent) { return Int(1, 100) <= percent; }

    zov::TGenre AnyKind()
    {
        using namespace zov;
        static constexpr TGenre Kinds[] = { gRacingBoat, gRacingBoat, gRacingBoat, gCommittee, gMark, gArrow,
            gRemark, gSpectator, gJudge, gWingJudge, gBalloon, gLine, gFactsFound, gDecision, gComments,
            gSummary, gFlag, gPicture, gCurvedArrow };
        return Kinds[Int(0, int(std::size(Kinds)) - 1)];
    }
    zov::TGenre BoatKind()
    {
        using namespace zov;
        static constexpr TGenre Kinds[] = { gRacingBoat, gRacingBoat, gRacingBoat, gJudge, gWingJudge,
            gCommittee, gSpectator };
        return Kinds[Int(0, int(std::size(Kinds)) - 1)];
    }

    // A chain of later steps after Obj; now and then a position gets further next steps, each
    // with a chain of its own.
    void GrowChain(zov::TDiagram& d, zov::TObjet* obj, int depth)
    {
        const bool boat = dynamic_cast<zov::TBateau*>(obj) != nullptr;
        for (zov::TObjet* step = obj; m_left > 0 && Chance(boat ? 65 : 15);) {
            // Mostly the same class; now and then a step of another class, as files can hold.
            zov::TObjet* next = NewObject(d, Chance(85) ? step->FGenre : BoatKind(), step->FSituation + 1);
            if (auto* racing = dynamic_cast<zov::TBateauCourse*>(next);
                racing && dynamic_cast<zov::TBateauCourse*>(step)) {
                racing->FBoatIndex = step->FBoatIndex;
                racing->FColor = step->FColor;
            }
            step->AddNext(next);
            while (depth < 2 && m_left > 0 && Chance(20)) {
                const zov::TGenre kind = Chance(80) ? step->FGenre : AnyKind();
                zov::TObjet* further = NewObject(d, kind, step->FSituation + 1);
                step->AddNext(further); // joins the siblings of the next step
                GrowChain(d, further, depth + 1);
            }
            step = next;
        }
    }

    zov::TObjet* NewObject(zov::TDiagram& d, zov::TGenre kind, int step)
    {
        using namespace zov;
        --m_left;
        const TPoint at { Int(-32768, 32767), Int(-32567, 32968) };
        const float heading = Chance(30) ? float(Int(-180, 180)) : Real(-180, 180);
        const float size = Chance(50) ? 1.0f : Real(0.1f, 4);
        TObjet* o = nullptr;
        switch (kind) {
        case gRacingBoat: {
            ++d.FBoatCount;
            auto* b = new TBateauCourse(at, heading, size, Int(-50, 100), Chance(90) ? Int(0, 3) : Int(4, 9));
            b->FManualTrimming = std::int16_t(Int(0, 1));
            b->FReserved1 = std::int16_t(Int(-32768, 32767));
            b->FReserved2 = std::int16_t(Int(-32768, 32767));
            b->FReglage = std::int16_t(Int(-100, 100));
            b->FSpinnaker = std::uint8_t(Int(0, 1));
            b->FAsymetric = std::uint8_t(Int(0, 1));
            b->FTwinHull = b->FHull == 1;
            if (Chance(20))
                b->FFlags &= ~flVisible; // a hidden position
            o = b;
            break;
        }
        case gCommittee: o = new TBateauComite(at, heading, size); break;
        case gMark: o = new TBouee(at, std::uint8_t(Chance(50) ? 3 : 4), size); break;
        case gArrow: o = new TFleche(at, heading, size); break;
        case gSpectator: o = new TSpectateur(at, heading, size); break;
        case gJudge: o = new TBateauJuge(at, heading, size); break;
        case gWingJudge: o = new TBateauWJ(at, heading, size); break;
        case gLine: o = new TLigne(at, heading, size); break;
        case gFlag: o = new TDrapeau(at, Int(0, 9), size); break;
        case gCurvedArrow: o = new TCurve(at, heading, size, Real(-720, 720), std::uint8_t(Int(0, 1))); break;
        case gPicture: {
            QImage image(Int(1, 6), Int(1, 6), QImage::Format_RGB32);
            image.fill(QColor::fromRgb(std::uint32_t(Int(0, 0xFFFFFF))));
            const gfx::Bitmap bitmap(image);
            o = new TPerso(at, size, &bitmap, Chance(20));
            break;
        }
        default: {
            TGenText* t;
            if (kind == gRemark) {
                auto* r = new TRemarque(at, heading, size);
                r->FFrame = std::uint8_t(Int(0, 1));
                t = r;
            } else if (kind == gBalloon)
                t = new TBulle(at, heading, size);
            else {
                t = new TGenText(at, heading, size);
                t->FGenre = kind;
            }
            t->FText.clear();
            for (int i = Int(0, 40); i > 0; --i)
                t->FText += char(Chance(90) ? Int(32, 126) : Int(1, 255));
            t->FFontName = Chance(50) ? "Arial" : "Courier New";
            t->FFontSize = Int(6, 40);
            t->FFontStyle = Int(0, 7);
            t->FFontColor = 0xFF000000u | std::uint32_t(Int(0, 0xFFFFFF));
            o = t;
            break;
        }
        }
        if (o->FSituation >= 1) // racing, judge and wing judge boats count steps
            o->FSituation = Chance(90) ? step : Int(1, 65535);
        o->FFlags = std::uint16_t(Chance(50) ? o->FFlags : Int(0, 65535));
        o->FColor = 0xFF000000u | std::uint32_t(Int(0, 0xFFFFFF));
        o->FRayonOutline = std::int16_t(Int(-5, 20));
        o->FExtension = std::int16_t(Chance(80) ? 0 : Int(-3, 3));
        o->FReserved = std::int16_t(Int(-32768, 32767));
        o->FTrackVisible = std::uint8_t(Int(0, 1));
        TCourbe& c = *o->FCourbe;
        for (float* v : { &c.FParamA, &c.FParamB, &c.FParamC, &c.FParamD, &c.FParamE, &c.FParamF, &c.FParamG,
                 &c.FParamH })
            *v = Chance(70) ? *v : Real(-1000, 1000);
        c.FStartAngle = Real(-180, 180);
        c.FEndAngle = Real(-180, 180);
        return o;
    }

    void FillSettings(zov::TDiagram& d)
    {
        auto text = [&](auto& field) {
            for (char& c : field)
                c = char(Int(0, 255));
        };
        d.FHeader.SituationType = std::int16_t(Int(0, 7));
        text(d.FHeader.Rules);
        text(d.FHeader.Reserved);
        text(d.FHeader.CaseCall);
        text(d.FHeader.Author);
        text(d.FHeader.Description);
        text(d.FHeader.Date);
        text(d.FEmail);
        d.FHideNumbers = std::uint8_t(Int(0, 255));
        d.FReserved1 = std::int16_t(Int(-32768, 32767));
        d.FReserved2 = std::int16_t(Int(-32768, 32767));
        d.FReserved3 = std::int16_t(Int(-32768, 32767));
        d.FWind = Int(0, 65535);
        d.FShowLaylines = std::int16_t(Int(-1, 2));
        d.FLaylineAngle = std::int16_t(Int(1, 89));
        d.FExtraCount = std::int16_t(Int(-6, 6));
        d.FExtra.clear();
        for (int i = 0; i < d.FExtraCount; ++i)
            d.FExtra.push_back(Int(-2147483647, 2147483647));
        d.FShowGrid = std::int16_t(Int(-1, 2));
        d.FReserved4 = std::int16_t(Int(-32768, 32767));
        d.FReserved5 = std::int16_t(Int(-32768, 32767));
        d.FReserved6 = std::int16_t(Int(-32768, 32767));
        d.FDefaultRayon = std::int16_t(Int(1, 10));
        d.FReserved7 = std::int16_t(Int(-32768, 32767));
    }

    std::mt19937 m_rng;
    int m_left = 0;
};

} // namespace zovtest
