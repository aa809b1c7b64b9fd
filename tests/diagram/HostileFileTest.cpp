// Diagram files made to hurt: what they hold is refused in bounded time, with the usual message.

#include "diagram/Diagram.h"
#include "diagram/DiagramFile.h"
#include "model/Objet.h"
#include "model/Records.h"
#include "support/SlowJpeg.h"
#include "support/ZovBytes.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

using namespace zov;
using zovtest::ZovBase;
using zovtest::ZovBytes;

namespace {

struct Messages {
    std::vector<std::string> shown;
    Messages()
    {
        SetFileMessageHandler([this](const std::string& m) { shown.push_back(m); });
    }
    ~Messages() { SetFileMessageHandler(nullptr); }
};

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
    Messages m;
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
