#include "plat/rt/Errors.h"
#include "plat/rt/Numeric.h"
#include "plat/sys/Trace.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(Rounding, HalvesGoToEven)
{
    struct Case { double in; std::int64_t out; };
    const Case cases[] = { { 2.5, 2 }, { 3.5, 4 }, { -0.5, 0 }, { -1.5, -2 }, { 0.49999, 0 }, { 1.5000001, 2 },
        { -2.5, -2 }, { 1e9 + 0.5, 1000000000 } };
    for (const auto& c : cases)
        EXPECT_EQ(rt::Round(c.in), c.out) << c.in;
}

TEST(Rounding, NonFiniteAndHugeAreRangeErrors)
{
    EXPECT_THROW(rt::Round(std::nan("")), rt::RangeError);
    EXPECT_THROW(rt::Round(1e300), rt::RangeError);
    EXPECT_THROW(rt::RoundI32(3e9), rt::RangeError);
    EXPECT_EQ(rt::RoundI32(-2147483648.0), INT32_MIN);
}

TEST(CheckedStores, RejectValuesOutsideTheField)
{
    EXPECT_EQ(rt::checked<std::int16_t>(32767), 32767);
    EXPECT_EQ(rt::checked<std::int16_t>(-32768), -32768);
    EXPECT_THROW(rt::checked<std::int16_t>(32768), rt::RangeError);
    EXPECT_THROW(rt::checked<std::int16_t>(-32769), rt::RangeError);
    EXPECT_EQ(rt::checked<std::uint16_t>(65535), 65535);
    EXPECT_THROW(rt::checked<std::uint16_t>(65536), rt::RangeError);
    EXPECT_THROW(rt::checked<std::uint8_t>(-1), rt::RangeError);
}

TEST(Errors, AssertionNamesModuleAndLineAfterTheMessage)
{
    try {
        ZOV_ASSERT(false, "Null zoom factor", "Rules8");
        FAIL();
    } catch (const rt::AssertionFailure& e) {
        const std::string text = e.what();
        EXPECT_EQ(text.rfind("Null zoom factor (Rules8, line ", 0), 0u) << text;
        EXPECT_EQ(text.find('.'), std::string::npos); // the error display cuts at the first period
        EXPECT_GT(e.line(), 0);
    }
    EXPECT_STREQ(rt::GraphicsError(7).what(), "Gdi+ error 7");
}

TEST(TraceFile, WritesTimedLinesOnlyInDebugModeAndClosesWithAMarker)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("TRACE.TXT").toStdString();
    zov::DebugMode = true;
    zov::TraceOpen(path);
    zov::Trace("CourbeSetup");
    zov::TraceLine("raw line");
    zov::DebugMode = false;
    zov::Trace("not written");
    zov::DebugMode = true;
    zov::TraceClose();
    zov::DebugMode = false;

    QFile f(QString::fromStdString(path));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d CourbeSetup$").match(lines[0]).hasMatch()) << lines[0].toStdString();
    EXPECT_EQ(lines[1], "raw line");
    EXPECT_EQ(lines[2], "Trace closed");
}
