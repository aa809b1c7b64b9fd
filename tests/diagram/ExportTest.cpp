#include "diagram/Diagram.h"
#include "diagram/GifFrameLayout.h"
#include "diagram/Progress.h"
#include "model/Objet.h"
#include "model/Settings.h"
#include "plat/img/Codecs.h"
#include "plat/rt/Errors.h"
#include "support/FakeHost.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace zov;

namespace {

// A racing boat at steps 1..steps, then a committee boat and a mark placed once; window 200 x 120.
struct Race : zovtest::EditFixture {
    explicit Race(int steps = 3)
    {
        FramesPerStep = 20;
        diagram.SetClientSize(200, 120); // zoom 0.2
        boat = new TBateauCourse({ 100, 500 }, 90, 1, 0, 0);
        boat->FSituation = 1;
        diagram.FRoot = boat;
        for (TObjet* last = boat; last->FSituation < steps; last = last->FNext) {
            auto* next = new TBateauCourse({ last->FX + 200, 500 }, 90, 1, 0, 0);
            next->FSituation = last->FSituation + 1;
            last->AddNext(next);
        }
        diagram.FRoot->AppendSibling(new TBateauComite({ 800, 300 }, 0, 1));
        diagram.FRoot->AppendSibling(mark = new TBouee({ 500, 300 }, 1, 1));
        diagram.Redraw();
        diagram.FFileName = dir.filePath("race").toStdString();
    }
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }
    QByteArray read(const QString& name) const
    {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QTemporaryDir dir;
    TObjet* boat;
    TObjet* mark;
};

// Notes how the diagram stands at each drawing, and the ghost flags of a boat's positions.
struct Probe : TFleche {
    Probe(TDiagram& d, TObjet* watched)
        : TFleche({ 500, 700 }, 0, 1), d(d), watched(watched)
    {
        FBounds = { 495, 695, 10, 10 };
    }
    void Draw(gfx::Graphics&) override
    {
        std::vector<int> flags;
        for (TObjet* o = watched; o; o = o->FNext)
            flags.push_back(static_cast<TBateau*>(o)->FGhost);
        draws.push_back({ d.FZoom, d.FView, d.FStep, d.FDisplayMode, flags });
    }
    struct Draw_ { float zoom; TRect4 view; std::int32_t step; int mode; std::vector<int> ghosts; };
    TDiagram& d;
    TObjet* watched;
    std::vector<Draw_> draws;
};

// A progress window that cancels after CancelAfter steps and runs OnStep at each.
struct Scripted : Progress {
    std::string caption, info;
    int maximum = -1, steps = 0, closes = 0, cancelAfter = 0;
    std::function<void(int)> onStep;
    void Open(const std::string& c, const std::string& i, int m) override { caption = c, info = i, maximum = m; }
    void StepIt() override { if (onStep) onStep(++steps); else ++steps; }
    bool Cancelled() const override { return cancelAfter > 0 && steps >= cancelAfter; }
    void Close() override { ++closes; }
};
struct ProgressScope {
    struct Ref : Progress {
        explicit Ref(Scripted& s) : s(s) { }
        void Open(const std::string& c, const std::string& i, int m) override { s.Open(c, i, m); }
        void StepIt() override { s.StepIt(); }
        bool Cancelled() const override { return s.Cancelled(); }
        void Close() override { s.Close(); }
        Scripted& s;
    };
    Scripted script;
    Scripted* p = &script;
    ProgressMaker previous = SetProgressMaker([this] { return std::make_unique<Ref>(script); });
    ~ProgressScope() { SetProgressMaker(previous); }
};

// The blocks of a GIF as a decoder walks them.
struct Gif {
    std::string error;
    qsizetype loopAt = -1;
    int loops = -1;
    std::vector<qsizetype> controls;
    std::vector<int> delays, packed;
    std::vector<std::pair<qsizetype, qsizetype>> images;
    // Frame I alone, to decode it.
    QImage frame(const QByteArray& file, std::size_t i) const
    {
        return img::decodeImage(file.left(781) + file.mid(controls[i], 8)
            + file.mid(images[i].first, images[i].second - images[i].first) + '\x3B');
    }
};

Gif parseGif(const QByteArray& b)
{
    Gif g;
    const auto u = [&b](qsizetype i) { return i < b.size() ? int(std::uint8_t(b[i])) : 0; };
    qsizetype p = 13 + ((u(10) & 0x80) ? 3 * (2 << (u(10) & 7)) : 0);
    const auto skipBlocks = [&] {
        while (p < b.size() && u(p) > 0)
            p += u(p) + 1;
        ++p;
    };
    if (!b.startsWith("GIF89a"))
        g.error = "signature";
    while (g.error.empty() && p < b.size() && u(p) != 0x3B) {
        const qsizetype start = p;
        if (u(p) == 0x21 && u(p + 1) == 0xFF && b.mid(p + 3, 11) == "NETSCAPE2.0") {
            g.loopAt = p;
            g.loops = u(p + 16) | u(p + 17) << 8;
        } else if (u(p) == 0x21 && u(p + 1) == 0xF9) {
            g.controls.push_back(p);
            g.packed.push_back(u(p + 3));
            g.delays.push_back(u(p + 4) | u(p + 5) << 8);
        } else if (u(p) == 0x2C) {
            p += 11 + ((u(p + 9) & 0x80) ? 3 * (2 << (u(p + 9) & 7)) : 0) - 2;
        } else
            g.error = "block at " + std::to_string(p);
        p += 2;
        skipBlocks();
        if (u(start) == 0x2C)
            g.images.emplace_back(start, p);
    }
    if (g.error.empty() && p != b.size() - 1)
        g.error = "no trailer at the end";
    return g;
}

} // namespace

TEST(ExportImage, StillPictureOfEachTypeHoldsTheWholeDiagramWhateverTheView)
{
    Race r;
    TDiagram& d = r.diagram;
    auto* probe = new Probe(d, nullptr);
    d.FRoot->AppendSibling(probe);
    d.SetSelected(r.mark);
    const float zoom = d.FZoom;
    const TRect4 view = d.FView, zone = d.FZone;
    for (const char* ext : { "png", "gif", "jpg", "JPG", "bmp" }) {
        SCOPED_TRACE(ext);
        d.ExportImage(ext, 160, 100);
        EXPECT_EQ(img::decodeImage(r.read(QString("race.") + ext)).size(), QSize(160, 100));
        EXPECT_EQ(d.FZoom, zoom);
        EXPECT_EQ(d.FView, view);
        EXPECT_EQ(d.FZone, zone);
        EXPECT_EQ(d.FDisplayMode, dmEdit);
        EXPECT_EQ(d.FSelected, nullptr);
        EXPECT_EQ(r.host.cursor, ViewCursor::Default);
    }
    EXPECT_EQ(r.files().size(), 5); // no temporary file stays
    // Drawn in edit mode at the last step, then the window's picture again.
    const auto& drawn = probe->draws.at(probe->draws.size() - 2);
    EXPECT_EQ(drawn.step, 3);
    EXPECT_EQ(drawn.mode, dmEdit);
    EXPECT_EQ(d.FStep, 0);

    // Zoomed in and scrolled far away, the picture is the same, every object inside and inked.
    const QImage first = img::decodeImage(r.read("race.png"));
    d.FCentre = { 4000, -2500 };
    d.NewDisplay();
    d.SetZoom(4.0f);
    d.ExportImage("png", 160, 100);
    const QImage second = img::decodeImage(r.read("race.png"));
    EXPECT_EQ(first, second);
    const auto& picture = probe->draws.at(probe->draws.size() - 2);
    const float z = picture.zoom;
    for (TObjet* o = d.FRoot; o; o = o->NextInWalk()) {
        const QRectF box((o->FBounds.x - picture.view.x) * z, (o->FBounds.y - picture.view.y) * z,
            o->FBounds.w * z, o->FBounds.h * z);
        EXPECT_TRUE(QRectF(0, 0, 160, 100).contains(box)) << int(o->FGenre);
        bool inked = o == probe;
        for (int y = int(box.top()); y < int(box.bottom()) && !inked; ++y)
            for (int x = int(box.left()); x < int(box.right()) && !inked; ++x)
                inked = (second.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
        EXPECT_TRUE(inked) << int(o->FGenre);
    }

    d.ExportImage("bmp", 0, 0); // 0 stands for the client size
    EXPECT_EQ(img::decodeImage(r.read("race.bmp")).size(), QSize(200, 120));
}

TEST(ExportImage, TheStillPictureFitsTheZoneAsItStandsAsTheClipboardCopyDoes)
{
    // A zone of 1000 x 600 (the template's, wider than its objects) into a window of 800 x 600.
    zovtest::EditFixture f;
    TDiagram& d = f.diagram;
    d.SetClientSize(800, 600);
    d.NewWindward();
    ASSERT_EQ(d.FZone, (TRect4 { 0, 0, 1000, 600 }));
    auto* probe = new Probe(d, nullptr);
    d.FRoot->AppendSibling(probe);
    d.FCentre = { 900, 100 }; // the window shows another part of it, zoomed in
    d.SetZoom(3.0f);
    QTemporaryDir dir;
    d.FFileName = dir.filePath("windward").toStdString();
    d.ExportImage("png", 0, 0);

    // Drawn at the zoom 0.8, the zone centred: 1000 x 750 units from (0, -75).
    const auto& drawn = probe->draws.at(probe->draws.size() - 2);
    EXPECT_FLOAT_EQ(drawn.zoom, 0.8f);
    EXPECT_EQ(drawn.view, (TRect4 { 0, -75, 1000, 750 }));
    EXPECT_EQ(d.FZone, (TRect4 { 0, 0, 1000, 600 }));
    // The very picture the clipboard copy, the printout and the thumbnails get.
    QFile file(dir.filePath("windward.png"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QImage exported = img::decodeImage(file.readAll()).convertToFormat(QImage::Format_ARGB32);
    const QImage copied = d.RenderToBitmap(0, 0)->image().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(exported.size(), QSize(800, 600));
    EXPECT_TRUE(exported == copied);
}

TEST(ExportImage, OnePicturePerStepWithTheFullStepNumber)
{
    Race r;
    TDiagram& d = r.diagram;
    auto* probe = new Probe(d, r.boat);
    d.FRoot->AppendSibling(probe);
    d.FDisplayMode = dmAnimation; // as Save As sets it for pictures per step
    d.ExportImage("png", 80, 50);
    EXPECT_EQ(r.files(), (QStringList { "race-1.png", "race-2.png", "race-3.png" }));
    std::vector<std::pair<int, std::vector<int>>> seen;
    for (const auto& draw : probe->draws)
        seen.push_back({ draw.step * 10 + draw.mode, draw.ghosts });
    // Picture k: steps 1..k, the boat of step k in full; then the window's picture in edit mode.
    EXPECT_EQ(seen, (decltype(seen) { { 12, { 1, 0, 0 } }, { 22, { 0, 1, 0 } }, { 32, { 0, 0, 1 } }, { 1, { 0, 0, 0 } } }));
    EXPECT_EQ(d.FDisplayMode, dmEdit);
    EXPECT_NE(img::decodeImage(r.read("race-1.png")), img::decodeImage(r.read("race-3.png")));

    // Step 1000 does not overwrite step 100.
    Race big(1);
    TObjet* far = new TBouee({ 600, 500 }, 1, 1);
    far->FSituation = 1001;
    big.diagram.FRoot->AppendSibling(far);
    big.diagram.FDisplayMode = dmAnimation;
    big.diagram.ExportImage("png", 8, 8);
    const QStringList names = big.files();
    EXPECT_EQ(names.size(), 1001);
    EXPECT_TRUE(names.contains("race-100.png") && names.contains("race-1000.png") && names.contains("race-1001.png"));
}

TEST(ExportImage, UnknownEncoderIsRefusedBeforeAnythingIsWritten)
{
    Race r;
    TDiagram& d = r.diagram;
    d.SetZoom(1.5f);
    const float zoom = d.FZoom;
    const TRect4 view = d.FView;
    for (std::string ext : { "xyz", "PNG", "" }) {
        d.FDisplayMode = dmAnimation;
        try {
            d.ExportImage(ext, 50, 50);
            ADD_FAILURE() << ext;
        } catch (const rt::AssertionFailure& e) {
            EXPECT_EQ(e.assertMessage(), "Encoder not found for " + ext);
        }
        EXPECT_EQ(d.FZoom, zoom);
        EXPECT_EQ(d.FView, view);
        EXPECT_EQ(d.FDisplayMode, dmEdit);
        EXPECT_FALSE(TDiagram::ExportRunning());
    }
    EXPECT_THROW(d.ExportImage("png", -1, 10), rt::GraphicsError);
    EXPECT_TRUE(r.files().isEmpty());
}

TEST(ExportAnimatedGif, ThreeStepsMakeFortyFramesThatLoopForEver)
{
    Race r;
    TDiagram& d = r.diagram;
    ProgressScope progress;
    FramesPerStep = 35; // the speed slider's value
    d.SetZoom(1.25f);
    const float zoom = d.FZoom;
    const TRect4 view = d.FView;
    d.ExportAnimatedGif();
    EXPECT_EQ(progress.p->caption, "ZOV save");
    EXPECT_EQ(progress.p->info, "Saving to animated GIF");
    EXPECT_EQ(progress.p->maximum, 39); // a bar from 0 to 20 x (3 - 1) - 1
    EXPECT_EQ(progress.p->steps, 40);
    EXPECT_EQ(progress.p->closes, 1);

    const QByteArray file = r.read("race.gif");
    const Gif gif = parseGif(file);
    ASSERT_EQ(gif.error, "");
    EXPECT_EQ(gif.loopAt, 781);
    EXPECT_EQ(gif.loops, 0);
    ASSERT_EQ(gif.controls.size(), 40u);
    ASSERT_EQ(gif.images.size(), 40u);
    EXPECT_EQ(gif.controls[0], 800);
    for (std::size_t i = 0; i < 40; ++i) {
        EXPECT_EQ(gif.delays[i], i == 39 ? 250 : 10) << i;
        EXPECT_EQ(gif.packed[i], 0x08) << i;
    }
    // Frames 1, 20 (step 2) and 40 (step 3) decode, and the boat moves between them.
    const QImage f1 = gif.frame(file, 0), f20 = gif.frame(file, 19), f40 = gif.frame(file, 39);
    EXPECT_EQ(f40.size(), QSize(200, 120));
    EXPECT_NE(f1, f20);
    EXPECT_NE(f20, f40);

    EXPECT_EQ(FramesPerStep, 35);
    EXPECT_EQ(d.FDisplayMode, dmEdit);
    EXPECT_EQ(d.FStep, 0);
    EXPECT_EQ(d.FZoom, zoom);
    EXPECT_EQ(d.FView, view);
    EXPECT_EQ(r.host.cursor, ViewCursor::Default);
    EXPECT_EQ(r.files(), QStringList { "race.gif" });
    FramesPerStep = 20;
}

TEST(ExportAnimatedGif, CancelFailureAndShortDiagramsLeaveNoHalfFile)
{
    {
        Race r;
        ProgressScope progress;
        progress.p->cancelAfter = 1;
        r.diagram.ExportAnimatedGif();
        const Gif gif = parseGif(r.read("race.gif"));
        ASSERT_EQ(gif.error, "");
        EXPECT_EQ(gif.images.size(), 1u); // head, loop, one frame, trailer
        EXPECT_EQ(r.files(), QStringList { "race.gif" });
    }
    {
        // An error midway: the former file stays and nothing half-written appears; a second
        // export meanwhile is refused; everything borrowed is given back.
        Race r;
        TDiagram& d = r.diagram;
        QFile former(r.dir.filePath("race.gif"));
        ASSERT_TRUE(former.open(QIODevice::WriteOnly) && former.write("former") == 6);
        former.close();
        ProgressScope progress;
        bool nestedRefused = false;
        progress.p->onStep = [&](int step) {
            if (step == 1)
                try {
                    d.ExportImage("png", 10, 10);
                } catch (const rt::Error&) {
                    nestedRefused = true;
                }
            if (step == 3)
                throw rt::IoError("disk full");
        };
        FramesPerStep = 30;
        EXPECT_THROW(d.ExportAnimatedGif(), rt::IoError);
        EXPECT_TRUE(nestedRefused);
        EXPECT_FALSE(TDiagram::ExportRunning());
        EXPECT_EQ(r.read("race.gif"), "former");
        EXPECT_EQ(r.files(), QStringList { "race.gif" });
        EXPECT_EQ(progress.p->closes, 1);
        EXPECT_EQ(FramesPerStep, 30);
        EXPECT_EQ(d.FDisplayMode, dmEdit);
        EXPECT_EQ(r.host.cursor, ViewCursor::Default);
        FramesPerStep = 20;
    }
    for (int steps : { 1, 0 }) {
        // No second step, no movement: one frame of the first step, held.
        Race r(1);
        for (TObjet* o = r.diagram.FRoot; o && steps == 0; o = o->FSibling)
            o->FSituation = 0;
        ProgressScope progress;
        r.diagram.ExportAnimatedGif();
        EXPECT_EQ(progress.p->maximum, 0); // never a negative end
        const QByteArray file = r.read("race.gif");
        const Gif gif = parseGif(file);
        ASSERT_EQ(gif.error, "");
        ASSERT_EQ(gif.images.size(), 1u);
        EXPECT_EQ(gif.delays[0], 250);
        EXPECT_EQ(gif.frame(file, 0).size(), QSize(200, 120));
    }
}

TEST(ExportAnimatedGif, AFrameOfAnotherLayoutOrPaletteIsRefused)
{
    QImage picture(40, 30, QImage::Format_ARGB32);
    picture.fill(0xFF2880FF);
    const QByteArray frame = img::encodeImage(picture, "image/gif");
    const QByteArray palette = frame.mid(13, 768);
    EXPECT_NO_THROW(CheckFrameLayout(frame, nullptr));
    EXPECT_NO_THROW(CheckFrameLayout(frame, &palette));
    const auto refused = [](const QByteArray& bytes, const QByteArray* table) {
        try {
            CheckFrameLayout(bytes, table);
        } catch (const rt::AssertionFailure& e) {
            return e.assertMessage() == "Unexpected GIF frame layout";
        }
        return false;
    };

    // A picture of few colours keeps its own table: a good frame alone, not after the first.
    QImage indexed(40, 30, QImage::Format_Indexed8);
    indexed.setColorTable({ 0xFF000000, 0xFFFFFFFF });
    indexed.fill(1);
    const QByteArray ownTable = img::encodeImage(indexed, "image/gif");
    EXPECT_NO_THROW(CheckFrameLayout(ownTable, nullptr));
    EXPECT_TRUE(refused(ownTable, &palette));

    // Blocks moved: a comment before the control extension shifts the image descriptor.
    const QByteArray comment = QByteArray::fromHex("21FE03616263") + '\0';
    EXPECT_TRUE(refused(frame.left(781) + comment + frame.mid(781), nullptr));
    // No control extension: the image descriptor stands where it should be.
    EXPECT_TRUE(refused(frame.left(781) + frame.mid(789), nullptr));
    // A local colour table after the image descriptor.
    QByteArray local = frame;
    local[789 + 9] = char(std::uint8_t(local[789 + 9]) | 0x80);
    EXPECT_TRUE(refused(local, nullptr));
    // No trailer; another signature.
    EXPECT_TRUE(refused(frame.chopped(1), nullptr));
    EXPECT_TRUE(refused(QByteArray("GIF87a") + frame.mid(6), nullptr));
}

TEST(ExportXml, AtTheChosenNameWithCrLf)
{
    Race r, empty;
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(empty.dir.path()));
    r.diagram.FFileName = r.dir.filePath("chosen").toStdString();
    r.diagram.ExportXml();
    const QByteArray text = r.read("chosen.htm");
    TObjet* root = std::exchange(empty.diagram.FRoot, nullptr);
    empty.diagram.FFileName = r.dir.filePath("none").toStdString();
    empty.diagram.ExportXml();
    empty.diagram.FRoot = root;
    const QByteArray none = r.read("none.htm");
    QDir::setCurrent(before);
    EXPECT_EQ(r.files().join(u' '), "chosen.htm none.htm");
    EXPECT_TRUE(empty.files().isEmpty()); // nothing in the current folder

    EXPECT_EQ(none, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Diagram>\r\n</Diagram>\r\n");
    EXPECT_EQ(text.count('\n'), text.count("\r\n"));
    QList<QByteArray> lines = text.split('\n');
    EXPECT_EQ(lines.takeLast(), "");
    QStringList shape; // the lines but the elements of the positions
    for (const QByteArray& line : lines)
        if (!line.startsWith("         <"))
            shape << QString::fromLatin1(line.chopped(1));
    ASSERT_EQ(lines.size() - shape.size(), 5 * 5);
    EXPECT_EQ(shape.join('|'),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>|<Diagram>|   <RacingBoat>|      <Object>|      </Object>|"
        "      <Object>|      </Object>|      <Object>|      </Object>|   </RacingBoat>|   <Unknown>|"
        "      <Object>|      </Object>|   </Unknown>|   <Mark>|      <Object>|      </Object>|   </Mark>|"
        "</Diagram>");
    EXPECT_EQ(lines[5], "         <X>100</X>\r");
    EXPECT_EQ(lines[6], "         <Y>-300</Y>\r");
}
