// Diagram files made to hurt: what they hold is refused in bounded time, with the usual message.

#include "diagram/Diagram.h"
#include "diagram/DiagramFile.h"
#include "model/Objet.h"
#include "model/Records.h"
#include "plat/img/Codecs.h"
#include "support/ForestWalk.h"
#include "support/LoadSaveLoad.h"
#include "support/RichDiagram.h"
#include "support/SlowJpeg.h"
#include "support/ZovBytes.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>

#include <cmath>

#include <gtest/gtest.h>

using namespace zov;
using zovtest::FileMessages;
using zovtest::ZovBase;
using zovtest::ZovBytes;

namespace {

// A version 10 file holding one picture record of type Type with Image, and a mark after it.
ZovBytes pictureFile(int type, const QByteArray& image)
{
    ZovBytes b;
    b.header(10).u16(0);
    b.record(gPicture, ZovBase {}, 10).u8(std::uint8_t(type)).raw(std::string_view(image.constData(), std::size_t(image.size())));
    b.u16(0).record(gMark, ZovBase {}, 10).u16(3);
    b.u16(1).u16(4);
    return b;
}

} // namespace

TEST(HostileFile, AJpegOfCountlessScansIsRefusedAsDamagedAtOnce)
{
    // 16000 x 4000 pixels in 883 scans, 230 KB: twenty seconds of decoding if it were tried.
    const QByteArray slow = zovtest::SlowProgressiveJpeg(16000, 4000);
    FileMessages m;
    TDiagram d;
    QElapsedTimer clock;
    clock.start();
    const ZovBytes file = pictureFile(2, slow);
    EXPECT_FALSE(d.LoadFromBytes("mem", file.data(), file.size(), true));
    EXPECT_LT(clock.elapsed(), 1500);
    EXPECT_EQ(d.FRoot, nullptr);
    ASSERT_EQ(m.shown.size(), 1u);
    EXPECT_EQ(m.shown[0].rfind("Cannot open mem.ZOV: the file is damaged (Damaged picture: JPEG of 16000 x 4000 pixels "
                               "in 883 scans, more than a picture needs",
                  0),
        0u)
        << m.shown[0];

    // A progressive picture of a usual number of scans is read, with what follows it.
    const QByteArray usual = zovtest::SlowProgressiveJpeg(1600, 1200, 9, 0);
    const ZovBytes good = pictureFile(2, usual);
    m.shown.clear();
    ASSERT_TRUE(d.LoadFromBytes("mem", good.data(), good.size(), true));
    EXPECT_TRUE(m.shown.empty());
    auto* picture = dynamic_cast<TPerso*>(d.FRoot);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->FBitmap->width(), 1600);
    ASSERT_NE(d.FRoot->FSibling, nullptr);
    EXPECT_EQ(d.FRoot->FSibling->FGenre, gMark);
}

TEST(HostileFile, ABoatRecordCutShortIsNotCounted)
{
    // Two racing boats, the file cut inside the second: the first is kept and stays the only one
    // counted, so the next boat made is number 2, as it is once the diagram is saved and read again.
    ZovBase boat;
    boat.step = 1;
    ZovBytes b;
    b.header(10).u16(0);
    zovtest::boatRecord(b, boat, 10, 0);
    b.u16(0);
    zovtest::boatRecord(b, boat, 10, 0);
    const std::vector<std::uint8_t> cut(b.data(), b.data() + b.size() - 6);
    TDiagram d;
    ASSERT_TRUE(d.LoadFromBytes("mem", cut.data(), cut.size(), false));
    EXPECT_EQ(LastFileReport().outcome, FileReport::Outcome::Incomplete);
    ASSERT_NE(d.FRoot, nullptr);
    EXPECT_EQ(d.FRoot->FSibling, nullptr);
    EXPECT_EQ(d.FBoatCount, 1);
    const zovtest::RoundTrip r = zovtest::LoadSaveLoad(cut.data(), cut.size());
    EXPECT_EQ(r.fault, "");
}

TEST(HostileFile, AFurtherStepIsNumberedAlikeWhateverTheFileFramesIt)
{
    // A boat with a mark as its next step, and a boat as a further next step, after the mark. As
    // written, the further step is a sibling of the mark; a file may also give it as a second
    // next step of the first boat. Either way it follows the mark, not a boat: a new boat.
    ZovBase boat;
    boat.step = 1;
    ZovBase later = boat;
    later.step = 2;
    ZovBytes asNext;
    asNext.header(10).u16(0);
    zovtest::boatRecord(asNext, boat, 10, 0);
    asNext.u16(2).record(gMark, ZovBase {}, 10).u16(3).u16(3);
    asNext.u16(2);
    zovtest::boatRecord(asNext, later, 10, 0);
    asNext.u16(3).u16(4);
    ZovBytes asSibling;
    asSibling.header(10).u16(0);
    zovtest::boatRecord(asSibling, boat, 10, 0);
    asSibling.u16(2).record(gMark, ZovBase {}, 10).u16(3).u16(0);
    zovtest::boatRecord(asSibling, later, 10, 0);
    asSibling.u16(1).u16(3).u16(4);
    for (const ZovBytes* file : { &asNext, &asSibling }) {
        TDiagram d;
        ASSERT_TRUE(d.LoadFromBytes("mem", file->data(), file->size(), false));
        EXPECT_EQ(LastFileReport().outcome, FileReport::Outcome::Done);
        ASSERT_NE(d.FRoot->FNext, nullptr);
        auto* further = dynamic_cast<TBateauCourse*>(d.FRoot->FNext->FSibling);
        ASSERT_NE(further, nullptr);
        EXPECT_EQ(further->FBoatIndex, 2);
        EXPECT_EQ(d.FBoatCount, 2);
        EXPECT_EQ(zovtest::LoadSaveLoad(file->data(), file->size()).fault, "");
    }
}

TEST(HostileFile, APictureHasNoColourBeforeAndAfterASave)
{
    // Made in the editor, and read from a file of a version that stores no colour: none (0), and
    // still none once saved and read again (the XML of the diagram says the same either way).
    QImage image(6, 4, QImage::Format_ARGB32);
    image.fill(0xFF2080FF);
    gfx::Bitmap bitmap(image);
    TDiagram made;
    {
        CurrentDiagramScope scope(&made);
        made.FRoot = new TPerso({ 10, 10 }, 1, &bitmap, false);
    }
    EXPECT_EQ(made.FRoot->FColor, 0u);
    const std::vector<std::uint8_t> bytes = zovtest::SavedBytes(made);
    TDiagram read;
    ASSERT_TRUE(read.LoadFromBytes("mem", bytes.data(), bytes.size(), false));
    EXPECT_EQ(read.FRoot->FColor, 0u);

    ZovBytes old;
    old.header(7).u16(0);
    old.record(gPicture, ZovBase {}, 7).u8(3).raw(img::encodeImage(image, "image/bmp").toStdString());
    old.u16(4);
    EXPECT_EQ(zovtest::LoadSaveLoad(old.data(), old.size()).fault, "");
}

TEST(HostileFile, WhatAFileSaysInItsOwnOrderReadsAsItWillBeWritten)
{
    // Records in an order the writer does not make: a next step before a sibling. The first mark
    // (the laylines' reference) and the committee boat are those of the order the diagram will
    // be written in, so a save and a new read keep them.
    ZovBase first, second;
    first.x = 1;
    second.x = 2;
    // An arrow whose next steps, a mark and a committee boat at x = 1, come first in the file;
    // then, beside the arrow, a mark and a committee boat at x = 2, which the writer puts first.
    ZovBytes b;
    b.header(10).u16(0).record(gArrow, ZovBase {}, 10);
    b.u16(2).record(gMark, first, 10).u16(3).u16(3); // a mark of type 3, then marker 3
    b.u16(2).record(gCommittee, first, 10).u16(3).u16(3);
    b.u16(0).record(gMark, second, 10).u16(3);
    b.u16(0).record(gCommittee, second, 10).u16(1).u16(1).u16(4);
    TDiagram d;
    ASSERT_TRUE(d.LoadFromBytes("mem", b.data(), b.size(), false));
    EXPECT_EQ(LastFileReport().outcome, FileReport::Outcome::Done);
    ASSERT_NE(d.FFirstMark, nullptr);
    EXPECT_EQ(d.FFirstMark->FX, 2);
    ASSERT_NE(d.FCommittee, nullptr);
    EXPECT_EQ(d.FCommittee->FX, 1); // the last one, in the writer's order
    EXPECT_EQ(zovtest::LoadSaveLoad(b.data(), b.size()).fault, "");

    // Racing boats are numbered, and in a file of version 4 coloured, in the writer's order too:
    // the boat beside the arrow before the one that is the arrow's next step.
    ZovBase boat1, boat2;
    boat1.step = boat2.step = 1;
    boat1.x = 1;
    boat2.x = 2;
    ZovBytes boats;
    boats.header(4).u16(0).record(gArrow, ZovBase {}, 4).u16(2);
    zovtest::boatRecord(boats, boat1, 4, 0);
    boats.u16(3).u16(0);
    zovtest::boatRecord(boats, boat2, 4, 0);
    boats.u16(1).u16(4);
    TDiagram e;
    ASSERT_TRUE(e.LoadFromBytes("mem", boats.data(), boats.size(), false));
    auto* beside = dynamic_cast<TBateauCourse*>(e.FRoot->FSibling);
    auto* after = dynamic_cast<TBateauCourse*>(e.FRoot->FNext);
    ASSERT_TRUE(beside && after);
    EXPECT_EQ(beside->FBoatIndex, 1);
    EXPECT_EQ(beside->FColor, 0xFF2880FFu); // blue
    EXPECT_EQ(after->FBoatIndex, 2);
    EXPECT_EQ(after->FColor, 0xFFFFFF50u); // yellow
    EXPECT_EQ(e.FBoatCount, 2);
    EXPECT_EQ(zovtest::LoadSaveLoad(boats.data(), boats.size()).fault, "");

    // Headings the writer never stores: whole turns read as 0, not -0; one that needs turning
    // back into -180..180 reads as a save writes it.
    for (const float stored : { 810.0f, -0x1.71fb0cp+6f }) {
        ZovBase turned;
        turned.storedHeading = stored;
        ZovBytes h;
        h.header(10).u16(0).record(gArrow, turned, 10).u16(4);
        TDiagram f;
        ASSERT_TRUE(f.LoadFromBytes("mem", h.data(), h.size(), false));
        EXPECT_FALSE(std::signbit(f.FRoot->FHeading) && f.FRoot->FHeading == 0.0f);
        EXPECT_EQ(zovtest::LoadSaveLoad(h.data(), h.size()).fault, "") << stored;
    }
}

// Files of every kind the reader takes: each reads, is written, reads back whole and is written
// the same again. They are also the seeds of the fuzzing of the reader (fuzz/), written to the
// build folder's fuzz-seeds/.
TEST(HostileFile, EveryKindOfFileTheReaderTakesRoundTripsAndSeedsTheFuzzing)
{
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> seeds;
    auto written = [](TDiagram& d) { return zovtest::SavedBytes(d); };
    const std::pair<const char*, void (TDiagram::*)()> templates[] = { { "start", &TDiagram::NewStart },
        { "finish1", &TDiagram::NewFinish1 }, { "finish2", &TDiagram::NewFinish2 }, { "windward", &TDiagram::NewWindward },
        { "leeward", &TDiagram::NewLeeward }, { "gate", &TDiagram::NewGate }, { "full", &TDiagram::NewFull },
        { "empty", &TDiagram::NewEmpty } };
    for (const auto& [name, make] : templates) {
        TDiagram d;
        CurrentDiagramScope scope(&d);
        (d.*make)();
        seeds.emplace_back(std::string("template-") + name, written(d));
    }
    {
        TDiagram d;
        zovtest::fillRich(d);
        seeds.emplace_back("every-kind", written(d));
    }
    // Older versions, and the picture types the writer never makes.
    ZovBase boat;
    boat.step = 1;
    for (int version : { 2, 3, 5, 6, 7, 8, 9 }) {
        ZovBytes b;
        b.header(version).u16(0);
        zovtest::boatRecord(b, boat, version, 0x00FF8040);
        b.u16(0).record(gMark, ZovBase {}, version).u16(3);
        b.u16(0).text(gRemark, "Remark", 0x000000FF, 1, ZovBase {}, version);
        if (version >= 6)
            b.u8(1);
        b.u16(1).u16(1).u16(4);
        seeds.emplace_back("version-" + std::to_string(version), std::vector<std::uint8_t>(b.data(), b.data() + b.size()));
    }
    QImage image(12, 9, QImage::Format_ARGB32);
    image.fill(0xFF2080FF);
    image.setPixel(3, 4, 0xFFFF0000);
    const std::pair<int, QByteArray> pictures[] = { { 2, img::encodeImage(image, "image/jpeg") },
        { 2, zovtest::SlowProgressiveJpeg(40, 24, 5, 1) }, { 3, img::encodeImage(image, "image/bmp") },
        { 4, img::encodeImage(image, "image/png") } };
    for (const auto& [type, picture] : pictures) {
        const ZovBytes b = pictureFile(type, picture);
        seeds.emplace_back("picture-" + std::to_string(type) + "-" + std::to_string(seeds.size()),
            std::vector<std::uint8_t>(b.data(), b.data() + b.size()));
    }

    QDir().mkpath(QStringLiteral(ZOV_FUZZ_SEEDS));
    for (const auto& [name, bytes] : seeds) {
        SCOPED_TRACE(name);
        const zovtest::RoundTrip r = zovtest::LoadSaveLoad(bytes.data(), bytes.size());
        EXPECT_TRUE(r.loaded);
        EXPECT_EQ(r.fault, "");
        QFile file(QStringLiteral(ZOV_FUZZ_SEEDS "/") + QString::fromStdString(name) + QStringLiteral(".zov"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
    }
}
