#include "diagram/Diagram.h"
#include "diagram/DiagramFile.h"
#include "model/Actions.h"
#include "model/Courbe.h"
#include "model/Objet.h"
#include "model/Records.h"
#include "model/Settings.h"
#include "plat/img/Codecs.h"
#include "plat/io/BinaryStream.h"
#include "plat/sys/Trace.h"
#include "plat/sys/UserName.h"
#include "support/ForestWalk.h"
#include "support/RichDiagram.h"
#include "support/RoundTrip.h"
#include "support/ZovBytes.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

using namespace zov;
using zovtest::walk;
using zovtest::FileMessages;
using zovtest::ZovBase;
using zovtest::ZovBytes;
using zovtest::ZovHeader;

namespace {

// The file of D; every diagram written so also goes through the load -> save -> load round trip.
std::vector<std::uint8_t> bytesOf(TDiagram& d)
{
    return zovtest::ExpectRoundTrip(d);
}

bool loadBytes(TDiagram& d, const ZovBytes& b, bool show = true)
{
    return d.LoadFromBytes("mem", b.data(), b.size(), show);
}

bool loadBytes(TDiagram& d, const std::vector<std::uint8_t>& b, bool show = true)
{
    return d.LoadFromBytes("mem", b.data(), b.size(), show);
}

std::vector<std::uint8_t> readFile(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    const QByteArray a = f.readAll();
    return std::vector<std::uint8_t>(a.begin(), a.end());
}

void writeFile(const QString& path, const std::vector<std::uint8_t>& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
}

using zovtest::boatRecord;
using zovtest::fillRich;

} // namespace

TEST(DiagramFile, HeaderAndSettingsWordsRoundTripAndAnEmptyDiagramEndsAtOnce)
{
    TDiagram d;
    d.FHeader.Reserved = { 'x', 'y' };
    d.FExtraCount = 2;
    d.FExtra = { 7, -8 };
    d.FReserved1 = 1;
    d.FReserved7 = 77;
    d.FWind = 0x12345678; // only the low 16 bits are kept
    SetField(d.FEmail, "me@example.org");
    d.FHideNumbers = 1;
    const auto bytes = bytesOf(d);
    ASSERT_EQ(bytes.size(), 291u + 8u);
    EXPECT_EQ(bytes[0], 10);
    EXPECT_EQ(bytes[24], 'x');
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[181])), "me@example.org");
    EXPECT_EQ(bytes[262], 1);
    EXPECT_EQ(bytes[269] | (bytes[270] << 8), 0x5678);
    EXPECT_EQ(bytes[275], 2);
    EXPECT_EQ(bytes[297], 4); // marker 4 right after the settings
    EXPECT_EQ(bytes[298], 0);

    TDiagram back;
    ASSERT_TRUE(loadBytes(back, bytes));
    EXPECT_EQ(back.FRoot, nullptr);
    EXPECT_EQ(back.FHeader.Reserved, d.FHeader.Reserved);
    EXPECT_EQ(back.FExtra, d.FExtra);
    EXPECT_EQ(back.FReserved1, 1);
    EXPECT_EQ(back.FReserved7, 77);
    EXPECT_EQ(back.FWind, 0x5678);
    EXPECT_EQ(FieldText(back.FEmail), "me@example.org");
    EXPECT_EQ(bytesOf(back), bytes);

    // A zone radius stored as 0 reads as 3; a negative extra count means no entries.
    ZovHeader h;
    h.defaultRayon = 0;
    h.extraCount = -3;
    h.wind = 65535;
    TDiagram zero;
    ASSERT_TRUE(loadBytes(zero, ZovBytes().header(10, h).u16(4)));
    EXPECT_EQ(zero.FDefaultRayon, 3);
    EXPECT_TRUE(zero.FExtra.empty());
    EXPECT_EQ(zero.FWind, 65535);
    // The count is kept as read, and saved back as it was.
    EXPECT_EQ(zero.FExtraCount, -3);
    const auto again = bytesOf(zero);
    ASSERT_EQ(again.size(), 291u);
    EXPECT_EQ(std::int16_t(again[275] | (again[276] << 8)), -3);
    EXPECT_EQ(again[277] | (again[278] << 8), 1); // the grid word follows at once
}

TEST(DiagramFile, TreeFramingOrderAndTheForestItRebuilds)
{
    TDiagram d;
    {
        CurrentDiagramScope scope(&d);
        auto* a = new TFleche({ 1, 1 }, 0, 1);
        auto* b = new TLigne({ 2, 2 }, 0, 1);
        auto* a2 = new TFleche({ 3, 3 }, 0, 1);
        d.FRoot = a;
        a->AppendSibling(b);
        a->AddNext(a2);
    }
    const auto bytes = bytesOf(d);
    // 0, A, 0, B, 1, 2, A2, 3, 4 after the 289 bytes of header and settings.
    auto word = [&](std::size_t at) { return bytes[at] | (bytes[at + 1] << 8); };
    const std::size_t r = 72;
    std::size_t at = 289;
    EXPECT_EQ(word(at), 0);
    EXPECT_EQ(word(at + 2), gArrow);
    at += 2 + r;
    EXPECT_EQ(word(at), 0);
    EXPECT_EQ(word(at + 2), gLine);
    at += 2 + r;
    EXPECT_EQ(word(at), 1);
    EXPECT_EQ(word(at + 2), 2);
    EXPECT_EQ(word(at + 4), gArrow);
    at += 4 + r;
    EXPECT_EQ(word(at), 3);
    EXPECT_EQ(word(at + 2), 4);
    EXPECT_EQ(bytes.size(), at + 4);

    TDiagram back;
    ASSERT_TRUE(loadBytes(back, bytes));
    TObjet* a = back.FRoot;
    ASSERT_NE(a, nullptr);
    ASSERT_NE(a->FSibling, nullptr);
    ASSERT_NE(a->FNext, nullptr);
    EXPECT_EQ(a->FSibling->FGenre, gLine);
    EXPECT_EQ(a->FNext->Pos(), (TPoint { 3, 3 }));
    EXPECT_EQ(a->FNext->FPrev, a);
    EXPECT_EQ(a->FSibling->FPrev, a);
    EXPECT_EQ(a->FPrev, nullptr);
    EXPECT_EQ(back.FSelected, nullptr);
    EXPECT_EQ(back.FDisplayMode, dmEdit);
    EXPECT_EQ(LastFileReport().objects, 3u);
}

// Closing markers 1 and 3 both move the reader back along FPrev, whichever bracket they close.
TEST(DiagramFile, ClosingMarkersMoveBackAlongThePreviousLink)
{
    ZovBase base;
    auto arrowAt = [&](ZovBytes& b, int x) {
        base.x = x;
        b.record(gArrow, base, 10);
    };
    // A, its sibling B with the next step B2: written 0 A 0 B 2 B2 3 1 4. With the two closing
    // markers swapped the same forest comes back, read in full.
    ZovBytes swapped;
    swapped.header(10).u16(0);
    arrowAt(swapped, 1);
    swapped.u16(0);
    arrowAt(swapped, 2);
    swapped.u16(2);
    arrowAt(swapped, 3);
    swapped.u16(1).u16(3).u16(4);
    {
        FileMessages m;
        TDiagram d;
        ASSERT_TRUE(loadBytes(d, swapped));
        EXPECT_TRUE(m.shown.empty());
        EXPECT_EQ(LastFileReport().outcome, FileReport::Outcome::Done);
        TObjet* b = d.FRoot->FSibling;
        ASSERT_NE(b, nullptr);
        ASSERT_NE(b->FNext, nullptr);
        EXPECT_EQ(b->FNext->FX, 3);
        EXPECT_EQ(d.FRoot->FNext, nullptr);
    }

    // Marker 2 twice on R: the second record is a further next step of R; the closing marker
    // after it returns to the step before it, so C, read next, is one more further next step.
    ZovBytes twice;
    twice.header(10).u16(0);
    arrowAt(twice, 10); // R
    twice.u16(2);
    arrowAt(twice, 11); // A
    twice.u16(3).u16(2);
    arrowAt(twice, 12); // B
    twice.u16(3).u16(0);
    arrowAt(twice, 13); // C
    twice.u16(1).u16(4);
    FileMessages m;
    TDiagram d;
    ASSERT_TRUE(loadBytes(d, twice));
    EXPECT_EQ(LastFileReport().outcome, FileReport::Outcome::Done);
    TObjet* r = d.FRoot;
    EXPECT_EQ(r->FSibling, nullptr) << "nothing else at the top level";
    std::vector<int> further;
    for (TObjet* o = r->FNext; o; o = o->FSibling)
        further.push_back(o->FX);
    EXPECT_EQ(further, (std::vector<int> { 11, 12, 13 }));
}

// A further next step of a racing boat's position (a sibling of its next step, as a file may
// hold) is the same boat: it keeps the boat's number and counts no new boat.
TEST(DiagramFile, FurtherNextStepsOfARacingBoatAreTheSameBoat)
{
    TDiagram d;
    {
        CurrentDiagramScope scope(&d);
        d.FBoatCount = 1;
        auto* r = new TBateauCourse({ 0, 0 }, 0, 1, 0, 0);
        d.FRoot = r;
        auto* a = new TBateauCourse({ 100, 0 }, 0, 1, 0, 0);
        a->FSituation = 2;
        r->AddNext(a);
        auto* b = new TBateauCourse({ 200, 0 }, 0, 1, 0, 0);
        b->FSituation = 2;
        r->AddNext(b); // written 0 R 2 A 0 B 1 3 4
        auto* b3 = new TBateauCourse({ 250, 0 }, 0, 1, 0, 0);
        b3->FSituation = 3;
        b->AddNext(b3);
        d.FBoatCount = 2;
        r->AppendSibling(new TBateauCourse({ 0, 300 }, 0, 1, 0, 0));
    }
    TDiagram back;
    ASSERT_TRUE(loadBytes(back, bytesOf(d)));
    TObjet* r = back.FRoot;
    ASSERT_NE(r->FNext, nullptr);
    TObjet* b = r->FNext->FSibling;
    ASSERT_NE(b, nullptr);
    ASSERT_NE(b->FNext, nullptr);
    for (TObjet* o : { r, r->FNext, b, b->FNext })
        EXPECT_EQ(o->FBoatIndex, 1) << o->FX;
    EXPECT_EQ(r->FSibling->FBoatIndex, 2);
    EXPECT_EQ(back.FBoatCount, 2);
    // So the next boat the user places gets the third colour.
    CurrentDiagramScope scope(&back);
    ++back.FBoatCount;
    EXPECT_EQ(TBateauCourse({ 0, 0 }, 0, 1, 0, 0).FColor, TBateauCourse::ColorForIndex(3));
}

// The text writer leaves the heading it writes as it is, and the file gives it back exactly.
TEST(DiagramFile, ATextHeadingIsWrittenAndReadBackExactly)
{
    QTemporaryDir dir;
    TDiagram d;
    d.FFileName = dir.filePath("texts").toStdString();
    std::vector<TGenText*> texts;
    {
        CurrentDiagramScope scope(&d);
        for (float heading : { 0.1f, -33.3f, 89.99f, 120.7f }) {
            auto* t = new TRemarque({ 0, 0 }, heading, 1);
            t->FText = "Heading";
            if (!d.FRoot)
                d.FRoot = t;
            else
                d.FRoot->AppendSibling(t);
            texts.push_back(t);
        }
    }
    ASSERT_TRUE(d.SaveToFile());
    ASSERT_TRUE(d.SaveToFile());
    EXPECT_EQ(texts[0]->FHeading, 0.1f);
    EXPECT_EQ(texts[1]->FHeading, -33.3f);
    TDiagram back;
    ASSERT_TRUE(back.LoadFromFile(d.FFileName, true));
    const auto read = walk(back);
    ASSERT_EQ(read.size(), 4u);
    EXPECT_EQ(read[0]->FHeading, 0.1f);
    EXPECT_EQ(read[1]->FHeading, -33.3f);
    EXPECT_EQ(read[2]->FHeading, 89.99f);
    EXPECT_EQ(read[3]->FHeading, 120.7f - 360.0f); // the same direction, brought into the range read
}

TEST(DiagramFile, EveryVersionLoadsWithItsOwnLayout)
{
    for (int version : { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11 }) {
        SCOPED_TRACE(version);
        // The colour word at offset 20 is read only after version 8: up to then its top bit
        // may be set, and the file is not damaged for that.
        const std::uint32_t colorWord = version <= 8 ? 0x80030201 : 0x00030201;
        ZovHeader h;
        h.author = "Ann";
        h.email = "ann@example.org";
        h.hideNumbers = 1;
        h.reserved1 = 21;
        h.situationType = 4;
        h.extra = { 99 };
        ZovBytes b;
        b.header(version, h).u16(0);
        ZovBase boat;
        boat.step = 1;
        boat.x = 100;
        boat.storedY = 150;
        boat.color = colorWord;
        boat.colorV8 = 0x00060504;
        boatRecord(b, boat, version, 0x00090807);
        ZovBase mark;
        mark.color = colorWord;
        mark.colorV8 = 0x00060504;
        b.u16(0).record(gMark, mark, version).u16(2);
        ZovBase text;
        text.storedHeading = 0; // heading 90, text -0
        b.u16(0).text(gComments, "Comments", 0x00FF0000, 2, text, version, "Verdana", 10);
        ZovBase committee;
        committee.color = colorWord;
        committee.colorV8 = 0x00060504;
        b.u16(0).record(gCommittee, committee, version);
        b.u16(1).u16(1).u16(1);
        boat.step = 2;
        boat.extension = 1;
        b.u16(2);
        boatRecord(b, boat, version, 0x00090807);
        b.u16(3).u16(4);

        TDiagram d;
        FileMessages m;
        ASSERT_TRUE(loadBytes(d, b));
        EXPECT_TRUE(m.shown.empty());
        EXPECT_EQ(FileVersion, version);
        EXPECT_EQ(FieldText(d.FHeader.Author), "Ann");
        EXPECT_EQ(d.FHeader.SituationType, 4);
        EXPECT_EQ(d.FReserved1, 21);
        EXPECT_EQ(d.FExtra, std::vector<std::int32_t> { 99 });
        EXPECT_EQ(FieldText(d.FEmail), version >= 3 ? "ann@example.org" : "");
        EXPECT_EQ(d.FHideNumbers, version >= 4 ? 1 : 0);

        auto objects = walk(d);
        ASSERT_EQ(objects.size(), 5u);
        auto* first = dynamic_cast<TBateauCourse*>(objects[0]);
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(first->Pos(), (TPoint { 100, 50 }));
        EXPECT_EQ(first->FBoatIndex, 1);
        EXPECT_EQ(first->FReglage, 15);
        const std::uint32_t boatColor = version < 5 ? 0xFF2880FF
            : version <= 7                         ? 0xFF070809
            : version == 8                         ? 0xFF040506
                                                   : 0xFF010203;
        EXPECT_EQ(first->FColor, boatColor);
        auto* mk = dynamic_cast<TBouee*>(objects[1]);
        ASSERT_NE(mk, nullptr);
        EXPECT_EQ(mk->FMarkType, 3);
        EXPECT_EQ(mk->FColor, version < 8 ? 0xFFFF0000 : version == 8 ? 0xFF040506 : 0xFF010203);
        EXPECT_EQ(d.FFirstMark, mk);
        auto* tx = dynamic_cast<TGenText*>(objects[2]);
        ASSERT_NE(tx, nullptr);
        EXPECT_EQ(tx->FGenre, gComments);
        EXPECT_EQ(tx->FText, "Comments");
        EXPECT_EQ(tx->FFontColor, 0xFF0000FFu);
        EXPECT_EQ(tx->FHeading, 0.0f);
        EXPECT_EQ(tx->FFontName, version >= 7 ? "Verdana" : "Arial");
        EXPECT_EQ(tx->FFontSize, version >= 7 ? 10 : 12);
        EXPECT_EQ(tx->FFontStyle, version >= 10 ? 2 : 0);
        auto* cb = objects[3];
        EXPECT_EQ(cb->FGenre, gCommittee);
        EXPECT_EQ(d.FCommittee, cb);
        EXPECT_EQ(cb->FColor, version < 8 ? 0xFFFF8040 : version == 8 ? 0xFF040506 : 0xFF010203);
        auto* second = dynamic_cast<TBateauCourse*>(objects[4]);
        ASSERT_NE(second, nullptr);
        EXPECT_EQ(first->FNext, second);
        EXPECT_EQ(second->FBoatIndex, 1); // the boat's number, not a new one
        EXPECT_EQ(second->FSpinnaker, 1);
        EXPECT_EQ(second->FSituation, 2);
        EXPECT_EQ(second->FTrackVisible, 1); // a linked next step has its track fitted
        EXPECT_EQ(d.FBoatCount, 1);

        // What was read is written back as version 10 and reads the same.
        TDiagram again;
        ASSERT_TRUE(loadBytes(again, bytesOf(d)));
        ASSERT_EQ(walk(again).size(), 5u);
        EXPECT_EQ(dynamic_cast<TGenText*>(walk(again)[2])->FFontName, tx->FFontName);
    }
}

TEST(DiagramFile, OlderPicturesAreDelimitedAndNothingAfterThemIsLost)
{
    // A JPEG picture of an older file followed by two boats: all three objects are read.
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    const QByteArray jpeg = img::encodeImage(image, "image/jpeg");
    ZovBytes b;
    b.header(5).u16(0);
    ZovBase pic;
    b.record(gPicture, pic, 5).u8(2).raw(std::string_view(jpeg.constData(), std::size_t(jpeg.size())));
    ZovBase boat;
    boat.step = 1;
    b.u16(0);
    boatRecord(b, boat, 5, 0);
    b.u16(0);
    boatRecord(b, boat, 5, 0);
    b.u16(1).u16(1).u16(4);
    TDiagram d;
    ASSERT_TRUE(loadBytes(d, b));
    EXPECT_EQ(LastFileReport().outcome, FileReport::Outcome::Done);
    const auto objects = walk(d);
    ASSERT_EQ(objects.size(), 3u);
    EXPECT_EQ(static_cast<TPerso*>(objects[0])->FBitmap->width(), 8);
    EXPECT_EQ(d.FBoatCount, 2);
}

TEST(DiagramFile, UnknownKindsAndMarkersEndTheReadingOnce)
{
    auto withRecords = [](const std::vector<int>& kinds, const std::vector<int>& tail) {
        ZovBytes b;
        b.header(10);
        for (int kind : kinds)
            b.u16(0).record(kind, ZovBase {}, 10);
        for (int marker : tail)
            b.u16(marker);
        return b;
    };
    // The root of a kind that names no class: nothing is loaded.
    for (int kind : { 1, 2, 19, 0x0100 }) {
        FileMessages m;
        TDiagram d;
        EXPECT_FALSE(loadBytes(d, withRecords({ kind }, { 4 })));
        EXPECT_EQ(m.shown, std::vector<std::string> { NotCompatibleMessage });
        EXPECT_EQ(d.FRoot, nullptr);
        EXPECT_EQ(d.FFileName, "");
        EXPECT_EQ(LastFileReport().outcome, FileReport::Outcome::Failed);
    }
    // A later record of an unknown kind, a marker above 4, a record or a closing marker after
    // the closing markers have climbed past the root: the message once, what came before is
    // kept, and the diagram has no file name.
    const std::vector<std::pair<ZovBytes, std::size_t>> partial = {
        { withRecords({ gArrow, gLine, 19, gArrow }, { 1, 1, 1, 4 }), 2 },
        { withRecords({ gArrow, gLine }, { 5, 4 }), 2 },
        { withRecords({ gArrow, gLine }, { 1, 1, 0, 4 }), 2 },
        { withRecords({ gArrow, gLine }, { 1, 3, 1, 4 }), 2 },
        { withRecords({ gArrow }, { 3, 2, 4 }), 1 },
    };
    for (const auto& [file, kept] : partial) {
        FileMessages m;
        TDiagram d;
        EXPECT_TRUE(loadBytes(d, file));
        EXPECT_EQ(walk(d).size(), kept);
        ASSERT_EQ(m.shown.size(), 2u);
        EXPECT_EQ(m.shown[0], NotCompatibleMessage);
        EXPECT_NE(m.shown[1].find("mem.ZOV could be read only in part"), std::string::npos) << m.shown[1];
        EXPECT_EQ(d.FFileName, "");
        EXPECT_EQ(d.FSelected, nullptr);
        EXPECT_EQ(LastFileReport().outcome, FileReport::Outcome::Incomplete);
    }
    // Climbing past the root and then ending is a whole tree; so is a first marker other than 4,
    // which is followed by the root whatever it is.
    const ZovBytes wholeTrees[] = { withRecords({ gArrow }, { 3, 4 }),
        withRecords({ gArrow, gLine }, { 1, 1, 4 }),
        ZovBytes().header(10).u16(2).record(gArrow, ZovBase {}, 10).u16(4) };
    for (const ZovBytes& whole : wholeTrees) {
        FileMessages m;
        TDiagram d;
        EXPECT_TRUE(loadBytes(d, whole));
        EXPECT_TRUE(m.shown.empty());
        EXPECT_EQ(LastFileReport().outcome, FileReport::Outcome::Done);
        ASSERT_NE(d.FRoot, nullptr);
        EXPECT_EQ(d.FRoot->FGenre, gArrow);
    }
    // A silent load shows nothing, but the report keeps what went wrong.
    {
        FileMessages m;
        TDiagram d;
        EXPECT_TRUE(loadBytes(d, withRecords({ gArrow, 19 }, { 4 }), false));
        EXPECT_TRUE(m.shown.empty());
        EXPECT_EQ(LastFileReport().messages.size(), 2u);
    }
}

TEST(DiagramFile, DamagedFilesLeaveNothingHalfRead)
{
    // A value no writer makes, in the third record: the load fails and the diagram stays empty.
    ZovBytes b;
    b.header(10).u16(0).record(gMark, ZovBase {}, 10).u16(3);
    b.u16(0).record(gCommittee, ZovBase {}, 10);
    ZovBase bad;
    bad.size = NAN;
    b.u16(0).record(gArrow, bad, 10).u16(1).u16(1).u16(4);
    FileMessages m;
    TDiagram d;
    d.FFileName = "previous";
    EXPECT_FALSE(loadBytes(d, b));
    EXPECT_EQ(d.FRoot, nullptr);
    EXPECT_EQ(d.FFirstMark, nullptr);
    EXPECT_EQ(d.FCommittee, nullptr);
    EXPECT_EQ(d.FFileName, "");
    ASSERT_EQ(m.shown.size(), 1u);
    const std::size_t at = 289 + 2 + 74 + 2 + 72 + 2 + 12;
    EXPECT_EQ(m.shown[0].rfind("Cannot open mem.ZOV: the file is damaged (a number that is not finite", 0), 0u) << m.shown[0];
    EXPECT_NE(m.shown[0].find("at byte " + std::to_string(at)), std::string::npos) << m.shown[0];

    // A racing boat at the root whose step is not 1 is simply a new boat.
    ZovBytes boats;
    boats.header(10).u16(0);
    ZovBase boat;
    boat.step = 2;
    boatRecord(boats, boat, 10, 0);
    boats.u16(0);
    boatRecord(boats, boat, 10, 0);
    boats.u16(1).u16(4);
    TDiagram e;
    ASSERT_TRUE(loadBytes(e, boats));
    EXPECT_EQ(static_cast<TBateauCourse*>(e.FRoot)->FBoatIndex, 1);
    EXPECT_EQ(static_cast<TBateauCourse*>(e.FRoot->FSibling)->FBoatIndex, 2);
}

TEST(DiagramFile, TruncatedAndMutatedFilesNeverCrashOrHalfLoad)
{
    TDiagram rich;
    fillRich(rich);
    const auto bytes = bytesOf(rich);
    const std::size_t total = walk(rich).size();
    const std::size_t rootEnd = 289 + 8 + 2 + 84; // header with two extra words, marker, the root boat
    FileMessages m;
    for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
        TDiagram d;
        const bool ok = d.LoadFromBytes("cut", bytes.data(), cut, false);
        EXPECT_EQ(ok, cut >= rootEnd) << cut << " " << LastFileReport().messages.back();
        const auto& report = LastFileReport();
        EXPECT_EQ(report.outcome, ok ? FileReport::Outcome::Incomplete : FileReport::Outcome::Failed) << cut;
        EXPECT_FALSE(report.messages.empty());
        EXPECT_LE(walk(d).size(), total);
        EXPECT_EQ(d.FFileName, "");
    }
    EXPECT_TRUE(m.shown.empty());

    // Random damage, from fixed seeds: every outcome is orderly, and what loads can be saved.
    std::uint32_t seed = 12345;
    auto next = [&] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    for (int round = 0; round < 400; ++round) {
        auto mutated = bytes;
        const int flips = 1 + int(next() % 6);
        for (int i = 0; i < flips; ++i) {
            const std::size_t at = 289 + next() % (mutated.size() - 289);
            mutated[at] = std::uint8_t(next());
        }
        TDiagram d;
        if (d.LoadFromBytes("mutated", mutated.data(), mutated.size(), false)) {
            io::BinaryWriter w;
            d.SaveToStream(w);
            EXPECT_GT(w.size(), 289u);
        }
    }
}

TEST(DiagramFile, SavedFilesLoadAndSaveAgainByteForByte)
{
    QTemporaryDir dir;
    const std::string first = dir.filePath("first").toStdString();
    const std::string second = dir.filePath("second").toStdString();
    TDiagram rich;
    fillRich(rich);
    rich.FFileName = first;
    rich.FModified = 1;
    ASSERT_TRUE(rich.SaveToFile());
    EXPECT_EQ(rich.FModified, 0);
    EXPECT_EQ(LastFileReport().path, first + ".zov"); // a new file gets the lower-case extension
    EXPECT_EQ(FieldText(rich.FHeader.Date), QDate::currentDate().toString("dd/MM/yyyy").toStdString());
    EXPECT_EQ(FieldText(rich.FHeader.Author), UserLoginName().substr(0, 49));

    TDiagram loaded;
    ASSERT_TRUE(loaded.LoadFromFile(first, true));
    EXPECT_EQ(loaded.FFileName, first);
    const auto a = walk(rich), b = walk(loaded);
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(ClassNameOf(*a[i]), ClassNameOf(*b[i])) << i;
        EXPECT_EQ(a[i]->Pos(), b[i]->Pos()) << i;
        EXPECT_EQ(a[i]->FSituation, b[i]->FSituation) << i;
    }
    EXPECT_EQ(loaded.FBackground, nullptr);
    loaded.FFileName = second;
    ASSERT_TRUE(loaded.SaveToFile());
    auto one = readFile(QString::fromStdString(first + ".zov"));
    auto two = readFile(QString::fromStdString(second + ".zov"));
    ASSERT_EQ(one.size(), two.size());
    // The date and the author are stamped by each save; everything else is the same.
    std::memset(one.data() + 36, 0, 50);
    std::memset(two.data() + 36, 0, 50);
    std::memset(one.data() + 166, 0, 15);
    std::memset(two.data() + 166, 0, 15);
    EXPECT_EQ(one, two);
}

TEST(DiagramFile, SaveIsAtomicAndReportsEveryFailure)
{
    QTemporaryDir dir;
    const std::string name = dir.filePath("race").toStdString();
    const QString path = QString::fromStdString(name + ".zov");
    TDiagram d;
    fillRich(d);
    d.FFileName = name;
    ASSERT_TRUE(d.SaveToFile());
    const auto original = readFile(path);

    auto expectUntouched = [&](const std::string& expected) {
        FileMessages m;
        d.FModified = 1;
        EXPECT_FALSE(d.SaveToFile());
        EXPECT_EQ(d.FModified, 1);
        ASSERT_EQ(m.shown.size(), 1u);
        EXPECT_NE(m.shown[0].find(expected), std::string::npos) << m.shown[0];
        EXPECT_EQ(readFile(path), original);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList { "race.zov" });
        EXPECT_EQ(LastFileReport().outcome, FileReport::Outcome::Failed);
    };
    // An object moved out of the file's range, a text too long for its length word.
    TObjet* arrow = nullptr;
    for (TObjet* o : walk(d))
        if (o->FGenre == gArrow)
            arrow = o;
    arrow->SetPos({ 40000, 5 });
    expectUntouched("Cannot save " + name + ".zov: Arrow at (40000, 5)");
    arrow->SetPos({ 5, 5 });
    TGenText* text = nullptr;
    for (TObjet* o : walk(d))
        if (o->FGenre == gSummary)
            text = static_cast<TGenText*>(o);
    text->FText.assign(40000, 'x');
    expectUntouched("Text at (0, 0): text of 40000 bytes");
    text->FText = "ok";

    // A folder that does not exist; a diagram without a name.
    FileMessages m;
    d.FFileName = dir.filePath("missing/race").toStdString();
    EXPECT_FALSE(d.SaveToFile());
    ASSERT_EQ(m.shown.size(), 1u);
    EXPECT_EQ(m.shown[0].rfind("Cannot save " + d.FFileName + ".zov: ", 0), 0u) << m.shown[0];
    d.FFileName.clear();
    EXPECT_FALSE(d.SaveToFile());
    EXPECT_EQ(m.shown.size(), 2u);
}

TEST(DiagramFile, SaveTakesOutEmptyTopLevelTextsWithAnUndoRecord)
{
    QTemporaryDir dir;
    TDiagram d;
    d.FFileName = dir.filePath("texts").toStdString();
    {
        CurrentDiagramScope scope(&d);
        auto* empty = new TGenText({ 0, 0 }, 0, 1);
        d.FRoot = empty;
        auto* boat = new TFleche({ 1, 1 }, 0, 1);
        empty->AppendSibling(boat);
        auto* remark = new TRemarque({ 2, 2 }, 0, 1);
        boat->AppendSibling(remark);
        auto* kept = new TBulle({ 3, 3 }, 0, 1);
        remark->AppendSibling(kept);
    }
    ASSERT_TRUE(d.SaveToFile());
    ASSERT_EQ(walk(d).size(), 2u);
    EXPECT_EQ(d.FRoot->FGenre, gArrow);
    EXPECT_EQ(d.FUndoStack.size(), 2u);
    EXPECT_EQ(d.FModified, 0);
    TDiagram back;
    ASSERT_TRUE(back.LoadFromFile(d.FFileName, true));
    EXPECT_EQ(walk(back).size(), 2u);
    // Undo brings both back.
    CurrentDiagramScope scope(&d);
    while (!d.FUndoStack.empty()) {
        d.FUndoStack.back()->Undo();
        d.FUndoStack.back()->FObjet = nullptr; // the forest owns it again
        d.FUndoStack.pop_back();
    }
    EXPECT_EQ(walk(d).size(), 4u);
}

TEST(DiagramFile, FileNamesFollowTheExtensionOnDisk)
{
    QTemporaryDir dir;
    TDiagram rich;
    fillRich(rich);
    const auto bytes = bytesOf(rich);
    writeFile(dir.filePath("upper.ZOV"), bytes);
    writeFile(dir.filePath("mixed.Zov"), bytes);
    for (const char* base : { "upper", "mixed" }) {
        SCOPED_TRACE(base);
        const std::string name = dir.filePath(base).toStdString();
        TDiagram d;
        ASSERT_TRUE(d.LoadFromFile(name, true));
        EXPECT_EQ(d.FFileName, name);
        EXPECT_EQ(walk(d).size(), walk(rich).size());
        d.FHeader.SituationType = 6;
        ASSERT_TRUE(d.SaveToFile());
    }
    // The saves rewrote the files that were there; no second file beside them.
    QStringList files = QDir(dir.path()).entryList(QDir::Files);
    files.sort();
    EXPECT_EQ(files, (QStringList { "mixed.Zov", "upper.ZOV" }));
    const auto upper = readFile(dir.filePath("upper.ZOV"));
    ASSERT_GT(upper.size(), 2u);
    EXPECT_EQ(upper[2], 6);

    // A missing file: reported with its name unless the load is silent.
    FileMessages m;
    TDiagram missing;
    EXPECT_FALSE(missing.LoadFromFile(dir.filePath("none").toStdString(), false));
    EXPECT_TRUE(m.shown.empty());
    EXPECT_FALSE(missing.LoadFromFile(dir.filePath("none").toStdString(), true));
    ASSERT_EQ(m.shown.size(), 1u);
    EXPECT_NE(m.shown[0].find("none.ZOV"), std::string::npos);
    EXPECT_EQ(missing.FFileName, "");
}

TEST(DiagramFile, HugeForestsLoadAndSaveWithoutDeepRecursion)
{
    // 200 000 top-level objects nest as deep in the file; one chain of 200 000 steps.
    for (bool chain : { false, true }) {
        SCOPED_TRACE(chain);
        TDiagram d;
        {
            CurrentDiagramScope scope(&d);
            TObjet* last = new TBateauJuge({ 0, 0 }, 0, 1);
            d.FRoot = last;
            for (int i = 1; i < 200000; ++i) {
                auto* o = new TBateauJuge({ i % 3000, i % 700 }, 0, 1);
                if (chain) {
                    o->FSituation = i + 1;
                    last->LinkAfter(o);
                    o->CourbeSetup();
                } else
                    last->AppendSibling(o);
                last = o;
            }
        }
        const auto bytes = zovtest::SavedBytes(d);
        TDiagram back;
        ASSERT_TRUE(loadBytes(back, bytes));
        EXPECT_EQ(LastFileReport().objects, 200000u);
        EXPECT_EQ(zovtest::SavedBytes(back), bytes);
    }
}

TEST(DiagramFile, TraceLinesOfALoad)
{
    QTemporaryDir dir;
    const std::string trace = dir.filePath("TRACE.TXT").toStdString();
    TDiagram d;
    {
        CurrentDiagramScope scope(&d);
        d.FBoatCount = 1;
        d.FRoot = new TBateauCourse({ 100, 120 }, 0, 1, 0, 0);
        d.FRoot->AppendSibling(new TBouee({ 5, 6 }, 3, 1));
    }
    const auto bytes = bytesOf(d);
    DebugMode = true;
    TraceOpen(trace);
    TDiagram back;
    back.LoadFromBytes("traced", bytes.data(), bytes.size(), true);
    TraceClose();
    DebugMode = false;
    std::ifstream in(trace);
    std::stringstream all;
    all << in.rdbuf();
    const std::string text = all.str();
    for (const char* line : { " Loading: traced\n", " Version: 10\n", " --> Genre: 0\n", "\nTBateauCourse 100 120\n",
             " Inserer frere TBouee\n", " Reculer\n", " Loaded\n", " Color: FF2880FF Angle: 0\n" })
        EXPECT_NE(text.find(line), std::string::npos) << line;
}
