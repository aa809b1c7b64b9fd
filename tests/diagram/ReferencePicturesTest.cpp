// Pictures that must never change while the drawing gets faster: the static picture of a diagram
// of every kind of object at several zooms and sizes, the animation's pictures at a step change,
// the first picture of a 10 000-object file and an animated GIF, each checked against the digest
// of the picture that the drawing made before it was parallelised. A failing picture is saved
// beside the test program for a person to compare.

#include "diagram/Diagram.h"
#include "model/Objet.h"
#include "model/Settings.h"
#include "plat/gfx/Graphics.h"
#include "support/MixedScene.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace zov;
using zovtest::ComposedPicture;
using zovtest::FittedMixedDiagram;

namespace {

// The digest of the pixels (the padding of the rows left out).
std::string digest(const QImage& picture)
{
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (int y = 0; y < image.height(); ++y)
        hash.addData(QByteArrayView(reinterpret_cast<const char*>(image.constScanLine(y)), image.width() * 4));
    return hash.result().toHex().left(16).toStdString();
}

void expectPicture(const QImage& picture, const std::string& expected, const QString& name)
{
    const std::string actual = digest(picture);
    EXPECT_EQ(actual, expected) << name.toStdString() << " changed";
    if (actual != expected)
        picture.save(QDir(QCoreApplication::applicationDirPath()).filePath(name + ".png"));
}

} // namespace

TEST(ReferencePictures, StaticPictureAtSeveralZoomsAndSizes)
{
    {
        auto d = FittedMixedDiagram(1920, 1080, 1);
        CurrentDiagramScope scope(d.get());
        expectPicture(d->FBackBitmap->image(), "136015db570dee03", "reference-1920-fitted");
        d->FZoom = 1.37f;
        d->NewDisplay();
        expectPicture(d->FBackBitmap->image(), "75ec5cf7b9aa9f9e", "reference-1920-zoom137");
        d->FZoom = 0.33f;
        d->NewDisplay();
        expectPicture(d->FBackBitmap->image(), "a78ad350e3294099", "reference-1920-zoom033");
    }
    {
        auto d = FittedMixedDiagram(333, 1077, 2);
        CurrentDiagramScope scope(d.get());
        expectPicture(d->FBackBitmap->image(), "30f27545451d39d3", "reference-333-fitted");
        d->FZoom = 2.5f;
        d->NewDisplay();
        expectPicture(d->FBackBitmap->image(), "33d340339a8eb630", "reference-333-zoom250");
    }
}

TEST(ReferencePictures, AnimationAtAStepChange)
{
    auto d = FittedMixedDiagram(1200, 800, 4);
    CurrentDiagramScope scope(d.get());
    d->SetMode(dmAnimation);
    d->Pause();
    for (int tick = 0; tick < FramesPerStep + 3; ++tick)
        d->WMTimer(1);
    ASSERT_EQ(d->FStep, 2);
    expectPicture(d->FBackBitmap->image(), "5210af9759c0cb69", "reference-animation-static");
    expectPicture(ComposedPicture(*d), "e3f229cd0d9fba6c", "reference-animation-window");
}

TEST(ReferencePictures, FirstPictureOfALargeFile)
{
    QTemporaryDir dir;
    const std::string name = dir.filePath("large").toStdString();
    ASSERT_TRUE(zovtest::WriteLargeRace(name));
    TDiagram d;
    d.SetClientSize(1920, 1080);
    ASSERT_TRUE(d.LoadFromFile(name, false));
    expectPicture(d.FBackBitmap->image(), "8d43cf4bafa7ff96", "reference-large-file");
}

TEST(ReferencePictures, AnimatedGif)
{
    QTemporaryDir dir;
    auto d = FittedMixedDiagram(700, 500, 5, 3);
    CurrentDiagramScope scope(d.get());
    d->FFileName = dir.filePath("race").toStdString();
    d->ExportAnimatedGif();
    QFile gif(dir.filePath("race.gif"));
    ASSERT_TRUE(gif.open(QIODevice::ReadOnly));
    EXPECT_EQ(QCryptographicHash::hash(gif.readAll(), QCryptographicHash::Sha1).toHex().left(16).toStdString(), "dbe757c538c1a9dd");
}
