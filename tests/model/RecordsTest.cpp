#include "model/Courbe.h"
#include "model/Objet.h"
#include "model/Records.h"
#include "model/Settings.h"
#include "plat/img/Codecs.h"
#include "plat/io/BinaryStream.h"
#include "plat/io/TextFile.h"
#include "plat/rt/Errors.h"
#include "support/FakeDiagram.h"
#include "support/ZovBytes.h"

#include <QImage>

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

using namespace zov;
using zovtest::FakeDiagram;
using zovtest::ZovBase;
using zovtest::ZovBytes;

namespace {

// Reads one record (kind word first) of a file of Version; the whole input must be consumed
// unless Rest says how many bytes are to stay.
std::unique_ptr<TObjet> load(const ZovBytes& b, int version, DiagramLink* d = nullptr,
    const TObjet* previous = nullptr, std::size_t rest = 0)
{
    FileVersion = std::int16_t(version);
    io::BinaryReader r(io::Bytes(b.data(), b.size()));
    const std::uint16_t kind = r.readU16();
    auto o = LoadObject(kind, r, LoadContext { d, previous });
    EXPECT_EQ(r.remaining(), rest);
    return o;
}

std::vector<std::uint8_t> save(TObjet& o)
{
    io::BinaryWriter w;
    o.Save(w);
    return w.take();
}

template <class T> T cast(std::unique_ptr<TObjet>& o)
{
    auto* t = dynamic_cast<T>(o.get());
    EXPECT_NE(t, nullptr);
    return t;
}

float f32At(const std::vector<std::uint8_t>& b, std::size_t at)
{
    std::uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return std::bit_cast<float>(v);
}
int i16At(const std::vector<std::uint8_t>& b, std::size_t at) { return std::int16_t(b[at] | (b[at + 1] << 8)); }
std::uint32_t u32At(const std::vector<std::uint8_t>& b, std::size_t at)
{
    std::uint32_t v;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}

io::FormatError::Kind failureOf(const ZovBytes& b, int version)
{
    try {
        FakeDiagram d;
        load(b, version, &d, nullptr, b.size());
    } catch (const io::FormatError& e) {
        return e.kind();
    }
    ADD_FAILURE() << "no FormatError";
    return io::FormatError::Kind::Corrupt;
}

QByteArray picture(const char* mime, int w = 4, int h = 3)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(QColor(200, 40, 10));
    image.setPixel(1, 1, qRgb(0, 0, 255));
    return img::encodeImage(image, mime);
}

} // namespace

TEST(Records, BaseRecordConvertsPositionHeadingAndColour)
{
    FakeDiagram d;
    TFleche arrow({ 30, 0 }, -90, 1.5f);
    arrow.FColor = 0xFF336699;
    auto bytes = save(arrow);
    ASSERT_EQ(bytes.size(), 72u);
    EXPECT_EQ(i16At(bytes, 0), gArrow);
    EXPECT_EQ(i16At(bytes, 8), 30);
    EXPECT_EQ(i16At(bytes, 10), 200); // Y 0 is stored as 200
    EXPECT_EQ(f32At(bytes, 12), 1.5f);
    EXPECT_EQ(f32At(bytes, 16), 180.0f); // heading -90 as 90 - heading
    EXPECT_EQ(u32At(bytes, 20), 0x00996633u); // COLORREF: red in the low byte
    EXPECT_EQ(f32At(bytes, 24 + 12), 1.0f); // track hidden
    arrow.SetPos({ 30, 250 });
    arrow.FTrackVisible = 1;
    bytes = save(arrow);
    EXPECT_EQ(i16At(bytes, 10), -50);
    EXPECT_EQ(f32At(bytes, 24 + 12), 0.5f);

    ZovBytes b;
    b.raw(std::string(bytes.begin(), bytes.end()));
    auto back = load(b, 10, &d);
    EXPECT_EQ(back->FY, 250);
    EXPECT_EQ(back->FX, 30);
    EXPECT_EQ(back->FHeading, -90.0f);
    EXPECT_EQ(back->FColor, 0xFF336699u);
    EXPECT_EQ(back->FTrackVisible, 1);
    EXPECT_EQ(back->FBounds, (TRect4 { 20, 240, 20, 20 }));
    EXPECT_EQ(back->FCanRotate, 1);

    // Stored headings: one correction each way; values no writer makes are folded modulo 360.
    const std::pair<float, float> headings[] = { { 270, -180 }, { -100, -170 }, { -450, 180 }, { 630, -180 },
        { 90.5f, -0.5f }, { 1e6f, std::fmod(90.0f - 1e6f, 360.0f) + 360.0f } };
    for (auto [stored, heading] : headings) {
        ZovBase base;
        base.storedHeading = stored;
        auto o = load(ZovBytes().record(gArrow, base, 10), 10);
        EXPECT_EQ(o->FHeading, heading) << stored;
    }

    // Y near the i16 limits: every Y the writer accepts reads back (the difference is taken in 32 bits).
    for (int y : { 32900, 32968, -32567 }) {
        arrow.SetPos({ 0, y });
        auto raw = save(arrow);
        auto o = load(ZovBytes().raw(std::string(raw.begin(), raw.end())), 10);
        EXPECT_EQ(o->FY, y);
    }
    arrow.SetPos({ 0, 32969 });
    EXPECT_THROW(save(arrow), rt::RangeError);
    arrow.SetPos({ 40000, 0 });
    EXPECT_THROW(save(arrow), rt::RangeError);
}

TEST(Records, ColourWordDependsOnTheVersion)
{
    FakeDiagram d;
    ZovBase base;
    base.color = 0x0000FF00;
    base.colorV8 = 0x00FF0000;
    // Before 8 no colour is read: the class default stays.
    EXPECT_EQ(load(ZovBytes().record(gCommittee, base, 7), 7)->FColor, 0xFFFF8040u);
    EXPECT_EQ(load(ZovBytes().record(gMark, base, 7).u16(3), 7)->FColor, 0xFFFF0000u);
    // Version 8: a second colour word ends the record and is the one used.
    EXPECT_EQ(load(ZovBytes().record(gCommittee, base, 8), 8)->FColor, 0xFF0000FFu);
    // From 9 the word at offset 20; its top bit set is not a colour.
    EXPECT_EQ(load(ZovBytes().record(gCommittee, base, 9), 9)->FColor, 0xFF00FF00u);
    EXPECT_EQ(load(ZovBytes().record(gCommittee, base, 11), 11)->FColor, 0xFF00FF00u);
    base.color = 0x80000000;
    EXPECT_EQ(failureOf(ZovBytes().record(gCommittee, base, 10), 10), io::FormatError::Kind::Corrupt);
    // Non-finite numbers are refused wherever they stand.
    for (int at : { 0, 1, 2, 5 }) {
        ZovBase bad;
        const float nan = std::numeric_limits<float>::quiet_NaN();
        if (at == 0)
            bad.size = std::numeric_limits<float>::infinity();
        else if (at == 1)
            bad.storedHeading = nan;
        else
            bad.courbe[at] = nan;
        EXPECT_EQ(failureOf(ZovBytes().record(gArrow, bad, 10), 10), io::FormatError::Kind::Corrupt) << at;
    }
}

TEST(Records, RacingBoatNumbersColoursAndExtension)
{
    FakeDiagram d;
    d.FBoatCount = 1;
    ZovBase base;
    base.step = 1;
    auto parts = [](ZovBytes& b) { b.u16(1).u16(20).u16(1).u16(7).u16(8).u16(-30); };

    // Version 4: no colour word; the colour follows the new number.
    ZovBytes v4;
    v4.record(gRacingBoat, base, 4);
    parts(v4);
    auto first = load(v4, 4, &d);
    auto* boat = cast<TBateauCourse*>(first);
    EXPECT_EQ(d.FBoatCount, 2);
    EXPECT_EQ(boat->FBoatIndex, 2);
    EXPECT_EQ(boat->FColor, 0xFFFFFF50u);
    EXPECT_EQ(boat->FSituation, 1);
    EXPECT_EQ(boat->FHull, 1);
    EXPECT_EQ(boat->FRatio, 20);
    EXPECT_EQ(boat->FManualTrimming, 1);
    EXPECT_EQ(boat->FReserved1, 7);
    EXPECT_EQ(boat->FReserved2, 8);
    EXPECT_EQ(boat->FReglage, -30);
    EXPECT_EQ(boat->FSpinnaker, 0);

    // Version 6: a colour word after the six fields; the three bytes when the extension is set.
    // A later step read as the next step of a boat keeps that boat's number.
    base.step = 3;
    base.extension = 1;
    ZovBytes v6;
    v6.record(gRacingBoat, base, 6);
    parts(v6);
    v6.u32(0x00102030).u8(1).u8(1).u8(0);
    auto third = load(v6, 6, &d, boat);
    auto* step3 = cast<TBateauCourse*>(third);
    EXPECT_EQ(step3->FBoatIndex, 2);
    EXPECT_EQ(d.FBoatCount, 2);
    EXPECT_EQ(step3->FColor, 0xFF302010u);
    EXPECT_EQ(step3->FSituation, 3);
    EXPECT_EQ(step3->FSpinnaker, 1);
    EXPECT_EQ(step3->FAsymetric, 1);

    // A step other than 1 with no boat before it (a hand-made root, a top-level record) is a new boat.
    for (int step : { 0, 2, 65535 }) {
        base.step = step;
        base.extension = 0;
        ZovBytes v10;
        v10.record(gRacingBoat, base, 10);
        parts(v10);
        const int before = d.FBoatCount;
        auto o = load(v10, 10, &d, nullptr);
        EXPECT_EQ(o->FBoatIndex, before + 1) << step;
        EXPECT_EQ(o->FSituation, step);
    }

    // The writer sets the extension for a spinnaker or twin hulls and then writes the three bytes.
    TBateauCourse plain({ 0, 0 }, 0, 1, 0, 0);
    EXPECT_EQ(save(plain).size(), 84u);
    plain.FSpinnaker = 1;
    auto bytes = save(plain);
    EXPECT_EQ(bytes.size(), 87u);
    EXPECT_EQ(plain.FExtension, 1);
    plain.FSpinnaker = 0;
    EXPECT_EQ(save(plain).size(), 87u); // never set back
}

TEST(Records, MarksCurvesFlagsAndOfficialBoats)
{
    FakeDiagram d;
    ZovBase base;
    base.step = 4;
    for (auto [stored, type] : { std::pair { 1, 3 }, { 2, 3 }, { 3, 3 }, { 4, 4 }, { 0, 0 } }) {
        auto o = load(ZovBytes().record(gMark, base, 10).u16(stored), 10, &d);
        EXPECT_EQ(cast<TBouee*>(o)->FMarkType, type);
        EXPECT_EQ(o->FSituation, 0);
    }
    EXPECT_THROW(load(ZovBytes().record(gMark, base, 10).u16(300), 10, &d), rt::RangeError);

    // The first mark read stays the diagram's first mark; the last committee boat read wins.
    FakeDiagram e;
    auto m1 = load(ZovBytes().record(gMark, base, 10).u16(3), 10, &e);
    auto m2 = load(ZovBytes().record(gMark, base, 10).u16(4), 10, &e);
    auto c1 = load(ZovBytes().record(gCommittee, base, 10), 10, &e);
    auto c2 = load(ZovBytes().record(gCommittee, base, 10), 10, &e);
    EXPECT_EQ(e.FFirstMark, m1.get());
    EXPECT_EQ(e.FCommittee, c2.get());

    // Judges keep their step; everything but racing, judge and wing-judge boats is at step 0.
    EXPECT_EQ(load(ZovBytes().record(gJudge, base, 10), 10)->FSituation, 4);
    EXPECT_EQ(load(ZovBytes().record(gWingJudge, base, 10), 10)->FSituation, 4);
    EXPECT_EQ(load(ZovBytes().record(gSpectator, base, 10), 10)->FSituation, 0);

    auto curve = load(ZovBytes().record(gCurvedArrow, base, 10).f32(135.5f).u8(1), 10);
    EXPECT_EQ(cast<TCurve*>(curve)->FArcAngle, 135.5f);
    EXPECT_EQ(cast<TCurve*>(curve)->FDirection, 1);
    EXPECT_EQ(failureOf(ZovBytes().record(gCurvedArrow, base, 10).f32(NAN).u8(1), 10),
        io::FormatError::Kind::Corrupt);

    base.rayon = 5;
    auto flag = load(ZovBytes().record(gFlag, base, 10), 10);
    EXPECT_NE(dynamic_cast<TDrapeau*>(flag.get()), nullptr);
    EXPECT_EQ(flag->FRayonOutline, 5);
    EXPECT_EQ(flag->FCanRotate, 0);

    // Kinds that name no class build nothing.
    for (int kind : { 1, 2, 19, 255, 0x0100, 0x0104 }) {
        FileVersion = 10;
        ZovBytes b;
        b.base(base, 10);
        io::BinaryReader r(io::Bytes(b.data(), b.size()));
        EXPECT_EQ(LoadObject(std::uint16_t(kind), r, {}), nullptr) << kind;
    }
}

TEST(Records, TextRecordsOfEveryVersion)
{
    FakeDiagram d;
    ZovBase base;
    base.storedHeading = -30; // the base reader gives 120, the text 30
    base.color = 0;            // old files stored no fill
    base.step = 3;

    // Version 6: no font fields, the style byte ignored, the shared default font.
    auto v6 = load(ZovBytes().text(gDecision, "Port-starboard", 0x000000FF, 5, base, 6), 6, &d);
    auto* text = cast<TGenText*>(v6);
    EXPECT_EQ(text->FGenre, gDecision);
    EXPECT_EQ(text->FText, "Port-starboard");
    EXPECT_EQ(text->FFontColor, 0xFFFF0000u);
    EXPECT_EQ(text->FColor, 0xFFFFFFFFu);
    EXPECT_EQ(text->FHeading, 30.0f);
    EXPECT_EQ(text->FSituation, 0);
    EXPECT_EQ(text->FFontName, "Arial");
    EXPECT_EQ(text->FFontSize, 12);
    EXPECT_EQ(text->FFontStyle, 0);
    EXPECT_EQ(text->FFont, DefaultFont);

    // Version 7: the font fields, the style still ignored; a black fill becomes white.
    base.color = 0;
    auto v7 = load(ZovBytes().text(gBalloon, "Protest", 0, 3, base, 7, "Times New Roman", 14), 7, &d);
    auto* balloon = cast<TBulle*>(v7);
    EXPECT_EQ(balloon->FFontName, "Times New Roman");
    EXPECT_EQ(balloon->FFontSize, 14);
    EXPECT_EQ(balloon->FFontStyle, 0);
    EXPECT_EQ(balloon->FFont, gfx::Font("Times New Roman", 14, 0));

    // Version 10: the style bits; a fill colour other than black stays.
    base.color = 0x00112233;
    auto v10 = load(ZovBytes().text(gRemark, "", 0, 5, base, 10, "Arial", 9, 7).u8(1), 10, &d);
    auto* remark = cast<TRemarque*>(v10);
    EXPECT_EQ(remark->FFontStyle, 5);
    EXPECT_EQ(remark->FColor, 0xFF332211u);
    EXPECT_EQ(remark->FFrame, 1);
    EXPECT_EQ(remark->FFont, gfx::Font("Arial", 9, 5));
    // The 45 reserved bytes of the last text read are written into every text record.
    for (std::uint8_t byte : TextReservedBlock)
        EXPECT_EQ(byte, 7);
    auto written = save(*remark);
    EXPECT_EQ(written[6], 0); // the empty text's zero
    EXPECT_EQ(written[7], 7);
    EXPECT_EQ(written[51], 7);

    // A remark's frame byte exists from version 6.
    auto v5 = load(ZovBytes().text(gRemark, "r", 0, 0, base, 5), 5, &d);
    EXPECT_EQ(cast<TRemarque*>(v5)->FFrame, 0);

    // Lengths: negative is damage; longer than the data is a file cut short.
    ZovBytes negative;
    negative.u16(gFactsFound).u16(gFactsFound).u16(-2).zeros(200);
    EXPECT_EQ(failureOf(negative, 10), io::FormatError::Kind::Corrupt);
    ZovBytes cut;
    cut.u16(gFactsFound).u16(gFactsFound).u16(32767).raw("only a little");
    EXPECT_EQ(failureOf(cut, 10), io::FormatError::Kind::Truncated);

    // The writer: heading with the opposite sign in the embedded base record, limits checked.
    TGenText summary({ 10, 20 }, 30, 1);
    summary.FGenre = gSummary;
    summary.FText = "Summary text";
    auto bytes = save(summary);
    const std::size_t baseAt = 2 + 2 + 2 + 12 + 1 + 45 + 4 + 1;
    EXPECT_EQ(f32At(bytes, baseAt + 14), -30.0f);
    EXPECT_EQ(bytes.size(), baseAt + 70 + 1 + 5 + 2 + 2 + 2);
    summary.FText.assign(40000, 'x');
    EXPECT_THROW(save(summary), rt::RangeError);
    summary.FText = "x";
    summary.FFontSize = 40000;
    EXPECT_THROW(save(summary), rt::RangeError);
}

TEST(Records, PicturesAreDelimitedByTheirOwnFormat)
{
    FakeDiagram d;
    ZovBase base;
    base.step = 65535; // a background picture
    base.x = 10;
    base.storedY = 180;
    base.size = 2.5f;
    struct Case {
        int type;
        const char* mime;
    };
    for (Case c : { Case { 1, "image/gif" }, Case { 3, "image/bmp" }, Case { 4, "image/png" }, Case { 2, "image/jpeg" } }) {
        SCOPED_TRACE(c.mime);
        const QByteArray image = picture(c.mime);
        ZovBytes b;
        b.record(gPicture, base, 10).u8(c.type).raw(std::string_view(image.constData(), std::size_t(image.size())));
        b.u16(4).raw("after the picture");
        auto o = load(b, 10, &d, nullptr, 2 + 17);
        auto* p = cast<TPerso*>(o);
        ASSERT_NE(p->FBitmap, nullptr);
        EXPECT_EQ(p->FBitmap->width(), 4);
        EXPECT_EQ(p->FBitmap->height(), 3);
        EXPECT_EQ(p->FSituation, -1); // stays the background
        EXPECT_EQ(p->FBounds, (TRect4 { 10, 20, 10, 8 })); // 4 x 2.5, 3 x 2.5 = 7.5 -> 8
    }
    base.step = 7;
    const QByteArray gif = picture("image/gif");
    const std::string_view gifBytes(gif.constData(), std::size_t(gif.size()));
    EXPECT_EQ(load(ZovBytes().record(gPicture, base, 10).u8(1).raw(gifBytes), 10)->FSituation, 0);

    // Unknown types cannot be delimited; cut-short and foreign data are told apart.
    for (int type : { 0, 5, 255 })
        EXPECT_EQ(failureOf(ZovBytes().record(gPicture, base, 10).u8(type).raw(gifBytes), 10),
            io::FormatError::Kind::NotCompatible);
    EXPECT_EQ(failureOf(ZovBytes().record(gPicture, base, 10).u8(1).raw(gifBytes.substr(0, gifBytes.size() - 5)), 10),
        io::FormatError::Kind::Truncated);
    EXPECT_EQ(failureOf(ZovBytes().record(gPicture, base, 10).u8(4).raw(gifBytes), 10),
        io::FormatError::Kind::Corrupt);
    ZovBytes huge; // a GIF whose screen claims 65535 x 65535 pixels
    std::string bad(gifBytes);
    bad[6] = bad[7] = bad[8] = bad[9] = char(0xFF);
    EXPECT_EQ(failureOf(ZovBytes().record(gPicture, base, 10).u8(1).raw(bad), 10), io::FormatError::Kind::Corrupt);

    // Written back always as a GIF, whatever it was read from.
    const QByteArray png = picture("image/png", 6, 5);
    auto o = load(ZovBytes().record(gPicture, base, 10).u8(4).raw(std::string_view(png.constData(), std::size_t(png.size()))), 10);
    auto bytes = save(*o);
    EXPECT_EQ(bytes[72], 1);
    EXPECT_EQ(std::string(bytes.begin() + 73, bytes.begin() + 79), "GIF89a");
    auto back = load(ZovBytes().raw(std::string(bytes.begin(), bytes.end())), 10);
    EXPECT_EQ(cast<TPerso*>(back)->FBitmap->width(), 6);
    EXPECT_EQ(cast<TPerso*>(back)->FBitmap->height(), 5);
    TPerso empty({ 0, 0 }, 1, nullptr, false);
    EXPECT_THROW(save(empty), rt::Error);
}

TEST(Records, EveryKindSurvivesWriteThenRead)
{
    FakeDiagram d;
    d.FBoatCount = 1;
    std::vector<std::unique_ptr<TObjet>> objects;
    auto boat = std::make_unique<TBateauCourse>(TPoint { 100, -40 }, 37.25f, 1.25f, 30, 3);
    boat->FManualTrimming = 1;
    boat->FReserved1 = -4;
    boat->FReserved2 = 9;
    boat->FReglage = 22;
    boat->FTwinHull = 1;
    boat->FAsymetric = 1;
    boat->FFlags = flVisible | flOverlap | flOverlapStarboard;
    boat->FColor = 0xFF123456;
    boat->FExtension = 0;
    boat->FReserved = 77;
    boat->FTrackVisible = 1;
    boat->FCourbe->FParamA = 3.5f;
    boat->FCourbe->FParamH = -1.25f;
    objects.push_back(std::move(boat));
    objects.push_back(std::make_unique<TBateauComite>(TPoint { 1, 2 }, -120, 1));
    objects.push_back(std::make_unique<TBouee>(TPoint { -5, 600 }, 4, 0.5f));
    objects.push_back(std::make_unique<TFleche>(TPoint { 7, 8 }, 170, 2));
    objects.push_back(std::make_unique<TSpectateur>(TPoint { 9, 10 }, 10, 1));
    auto judge = std::make_unique<TBateauJuge>(TPoint { 11, 12 }, 20, 1);
    judge->FSituation = 5;
    objects.push_back(std::move(judge));
    objects.push_back(std::make_unique<TBateauWJ>(TPoint { 13, 14 }, 30, 1));
    objects.push_back(std::make_unique<TLigne>(TPoint { 15, 16 }, 40, 3));
    objects.push_back(std::make_unique<TDrapeau>(TPoint { 17, 18 }, 4, 1));
    objects.push_back(std::make_unique<TCurve>(TPoint { 19, 20 }, 50, 1, 210.5f, 1));
    auto remark = std::make_unique<TRemarque>(TPoint { 21, 22 }, 60, 1);
    remark->FText = "Caf\xe9 au lait"; // 8-bit text, as typed
    remark->FFrame = 1;
    remark->FFontName = "Courier New";
    remark->FFontSize = 16;
    remark->FFontStyle = 6;
    remark->FFontColor = 0xFF00FF00;
    remark->FColor = 0xFFFFFF80;
    objects.push_back(std::move(remark));
    objects.push_back(std::make_unique<TBulle>(TPoint { 23, 24 }, -70, 1));
    auto comments = std::make_unique<TGenText>(TPoint { 25, 26 }, 0, 1);
    comments->FGenre = gComments;
    comments->FText = "Line one\r\nLine two";
    objects.push_back(std::move(comments));
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(Qt::white);
    gfx::Bitmap bitmap(image);
    objects.push_back(std::make_unique<TPerso>(TPoint { 27, 28 }, 1, &bitmap, true));

    for (auto& o : objects) {
        SCOPED_TRACE(o->KindName());
        auto bytes = save(*o);
        auto back = load(ZovBytes().raw(std::string(bytes.begin(), bytes.end())), 10, &d);
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(ClassNameOf(*back), ClassNameOf(*o));
        EXPECT_EQ(back->FGenre, o->FGenre);
        EXPECT_EQ(back->Pos(), o->Pos());
        EXPECT_EQ(back->FHeading, o->FHeading);
        EXPECT_EQ(back->FSituation, o->FSituation);
        EXPECT_EQ(back->FTrackVisible, o->FTrackVisible);
        // Opaque once read; a picture has no colour, and keeps none.
        const bool none = dynamic_cast<const TPerso*>(o.get()) && o->FColor == 0;
        EXPECT_EQ(back->FColor, none ? 0u : ColorRefToArgb(ArgbToColorRef(o->FColor)));
        // Every other field is in the record: written again, the same bytes.
        EXPECT_EQ(save(*back), bytes);
        if (auto* t = dynamic_cast<TGenText*>(o.get())) {
            EXPECT_EQ(dynamic_cast<TGenText*>(back.get())->FText, t->FText);
            EXPECT_EQ(dynamic_cast<TGenText*>(back.get())->FFontStyle, t->FFontStyle);
        }
    }
}

TEST(Records, SaveTreeFramesTheForestIterativelyInTheRecursiveOrder)
{
    FakeDiagram d;
    auto* a = new TFleche({ 1, 1 }, 0, 1);
    auto* b = new TLigne({ 2, 2 }, 0, 1);
    auto* a2 = new TFleche({ 3, 3 }, 0, 1);
    d.FRoot = a;
    a->AppendSibling(b);
    a->AddNext(a2);
    io::BinaryWriter w;
    SaveTree(*a, w);
    std::vector<std::uint8_t> expected;
    auto put = [&](TObjet* o) {
        auto r = save(*o);
        expected.insert(expected.end(), r.begin(), r.end());
    };
    auto marker = [&](int m) {
        expected.push_back(std::uint8_t(m));
        expected.push_back(0);
    };
    put(a);
    marker(0);
    put(b);
    marker(1);
    marker(2);
    put(a2);
    marker(3);
    EXPECT_EQ(w.take(), expected);

    // A record that does not fit names its object.
    a2->SetPos({ 40000, 3 });
    io::BinaryWriter w2;
    try {
        SaveTree(*a, w2);
        ADD_FAILURE();
    } catch (const rt::RangeError& e) {
        EXPECT_NE(std::string(e.what()).find("Arrow at (40000, 3)"), std::string::npos) << e.what();
    }
    a2->SetPos({ 3, 3 });

    // A forest that reaches an object twice is not written for ever.
    b->FNext = a;
    io::BinaryWriter w3;
    EXPECT_THROW(SaveTree(*a, w3), rt::AssertionFailure);
    b->FNext = nullptr;

    // 200 000 top-level objects nest 200 000 brackets deep.
    TObjet* last = b;
    for (int i = 0; i < 200000; ++i) {
        auto* o = new TFleche({ i % 1000, 0 }, 0, 1);
        last->AppendSibling(o);
        last = o;
    }
    io::BinaryWriter big;
    SaveTree(*a, big);
    EXPECT_EQ(big.size(), 72u * 200003 + 2u * (2 * 200001 + 2));

    // A loop as long as the forest, back from its last object, stops the save all the same.
    last->FNext = a;
    io::BinaryWriter loop;
    EXPECT_THROW(SaveTree(*a, loop), rt::AssertionFailure);
    last->FNext = nullptr;
}

TEST(Records, XmlElementsUseCrLfAndTheFileConventions)
{
    FakeDiagram d;
    TBateauCourse boat({ 120, 300 }, 45.7f, 1, 0, 0);
    boat.FColor = 0xFF2880FF;
    std::string out;
    io::TextFile f(out);
    boat.SaveXML(f);
    EXPECT_EQ(out,
        "         <Situation>1</Situation>\r\n"
        "         <X>120</X>\r\n"
        "         <Y>-100</Y>\r\n"
        "         <Heading>45</Heading>\r\n"
        "         <Color>4280844543</Color>\r\n");
    out.clear();
    boat.SetHeading(-45.7f);
    boat.SaveXML(f);
    EXPECT_NE(out.find("<Heading>135</Heading>"), std::string::npos);
}
