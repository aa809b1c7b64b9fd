#include "FakeDialogHost.h"

#include "plat/img/Codecs.h"
#include "plat_ui/ErrorReport.h"
#include "diagram_view/GdipPanel.h"
#include "shell/ImageSelect.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <algorithm>

using namespace zov;

namespace {

void writePicture(const QString& path, int w, int h, std::string_view mime)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(0xFF3366CC);
    img::saveImage(image, mime, path);
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QStringList listed(const TImageSelect& chooser)
{
    QStringList names;
    for (int i = 0; i < chooser.ImageList->topLevelItemCount(); ++i)
        names << chooser.ImageList->topLevelItem(i)->text(0);
    return names;
}

// Collects the errors the chooser reports instead of showing them.
struct ReportedErrors {
    ReportedErrors()
    {
        SetErrorReporter([this](const std::exception& e) { texts << QString::fromUtf8(e.what()); });
    }
    ~ReportedErrors() { SetErrorReporter({}); }
    QStringList texts;
};

} // namespace

TEST(DialogsPicture, FitPictureRectKeepsProportionsAndCentres)
{
    double zoom = 1.0;
    EXPECT_EQ(FitPictureRect({ 0, 0, 200, 100 }, { 0, 0, 400, 300 }, zoom, 7), (TRect4 { 100, 100, 200, 100 }));
    EXPECT_DOUBLE_EQ(zoom, 1.0);
    zoom = 1.0;
    EXPECT_EQ(FitPictureRect({ 0, 0, 200, 100 }, { 0, 0, 400, 300 }, zoom, 6), (TRect4 { 0, 50, 400, 200 }));
    EXPECT_DOUBLE_EQ(zoom, 2.0);
    // The height limits: a tall picture is narrowed, and centred across.
    zoom = 1.0;
    EXPECT_EQ(FitPictureRect({ 0, 0, 100, 400 }, { 10, 20, 400, 200 }, zoom, 7), (TRect4 { 185, 20, 50, 200 }));
    EXPECT_DOUBLE_EQ(zoom, 0.5);
    // No centring: the corner stays.
    zoom = 1.0;
    EXPECT_EQ(FitPictureRect({ 0, 0, 200, 100 }, { 5, 5, 400, 300 }, zoom, 0), (TRect4 { 5, 5, 400, 200 }));
    // A picture without width or height: the target itself, the zoom untouched.
    zoom = 3.0;
    EXPECT_EQ(FitPictureRect({ 0, 0, 0, 100 }, { 1, 2, 30, 40 }, zoom, 7), (TRect4 { 1, 2, 30, 40 }));
    EXPECT_DOUBLE_EQ(zoom, 3.0);
}

TEST(DialogsPicture, ListsPicturesOfAnyLetterCaseSortedAndKeepsTheListWhenNoneAreFound)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.path() + "/Flags";
    ASSERT_TRUE(QDir().mkpath(folder + "/sub.png"));
    writePicture(folder + "/a.gif", 4, 4, "image/gif");
    writePicture(folder + "/B.PNG", 3, 2, "image/png");
    writePicture(folder + "/E.Jpg", 2, 2, "image/jpeg");
    writePicture(folder + "/c.bMp", 2, 2, "image/bmp");
    writePicture(folder + "/c.jpeg", 2, 2, "image/jpeg");
    writeBytes(folder + "/d.txt", "text");
    writeBytes(folder + "/nopicture", "x");

    TImageSelect chooser;
    EXPECT_EQ(listed(chooser), QStringList { TImageSelect::NoImage });
    EXPECT_TRUE(chooser.Folder().endsWith("/Flags/")); // beside the program by default

    // A missing folder keeps "(no image)".
    chooser.SetFolder(dir.path() + "/missing");
    chooser.FillList();
    EXPECT_EQ(listed(chooser), QStringList { TImageSelect::NoImage });

    chooser.SetFolder(folder);
    chooser.FillList();
    EXPECT_EQ(listed(chooser), (QStringList { "a.gif", "B.PNG", "c.bMp", "E.Jpg" }));
    EXPECT_EQ(chooser.windowTitle(), "Image Select in " + QDir::toNativeSeparators(folder + "/"));

    // A folder emptied of pictures leaves the list as it was.
    for (const char* name : { "/a.gif", "/B.PNG", "/c.bMp", "/E.Jpg" })
        QFile::remove(folder + name);
    chooser.FillList();
    EXPECT_EQ(listed(chooser), (QStringList { "a.gif", "B.PNG", "c.bMp", "E.Jpg" }));
}

TEST(DialogsPicture, ChooseGivesThePictureOnlyWhenOneIsChosenAndConfirmed)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    writePicture(dir.path() + "/flag.png", 30, 20, "image/png");
    writePicture(dir.path() + "/wide.png", 2000, 500, "image/png");
    writeBytes(dir.path() + "/broken.png", QByteArray("\x89PNG\r\n\x1a\nrubbish", 15));
    FakeDialogHost dialogs;
    ReportedErrors errors;
    TImageSelect chooser;
    chooser.SetFolder(dir.path());

    // OK with nothing chosen inserts nothing.
    dialogs.execResult = QDialog::Accepted;
    EXPECT_FALSE(chooser.Choose());
    EXPECT_FALSE(chooser.btOK->isEnabled());
    EXPECT_EQ(chooser.Picture(), nullptr);

    dialogs.onExec = [&](QDialog&) {
        EXPECT_TRUE(chooser.Select("flag.png"));
        EXPECT_TRUE(chooser.btOK->isEnabled());
        EXPECT_EQ(chooser.Lab_Size->text(), "30 x 20");
        EXPECT_TRUE(chooser.Lab_Zoom->text().endsWith(" %"));
        EXPECT_LE(chooser.Lab_Zoom->text().chopped(2).toInt(), 100);
        chooser.Check_Background->setChecked(true);
        return int(QDialog::Accepted);
    };
    ASSERT_TRUE(chooser.Choose());
    ASSERT_NE(chooser.Picture(), nullptr);
    EXPECT_EQ(chooser.Picture()->width(), 30);
    EXPECT_EQ(chooser.Picture()->height(), 20);
    EXPECT_TRUE(chooser.Background());
    EXPECT_TRUE(chooser.IsBackground());
    EXPECT_EQ(chooser.FileName(), "flag.png");
    EXPECT_EQ(dialogs.dialogs.value(1), chooser.windowTitle());

    // The zoom label follows the preview's size and never shows more than 100.
    chooser.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(chooser.Lab_Zoom->text(), "100 %");
    ASSERT_TRUE(chooser.Select("wide.png"));
    const QSize preview = chooser.ImagePreview->viewport()->size();
    const int zoom = std::min(preview.width() * 100 / 2000, preview.height() * 100 / 500);
    EXPECT_EQ(chooser.Lab_Zoom->text(), QString::number(zoom) + " %");
    chooser.resize(chooser.width() + 200, chooser.height());
    QCoreApplication::processEvents();
    EXPECT_GT(chooser.ImagePreview->viewport()->width(), preview.width());
    EXPECT_EQ(chooser.Lab_Zoom->text(),
        QString::number(std::min(chooser.ImagePreview->viewport()->width() * 100 / 2000, preview.height() * 100 / 500))
            + " %");
    chooser.hide();
    ASSERT_TRUE(chooser.Select("flag.png"));

    // The next showing keeps the picture chosen; Cancel says no.
    dialogs.onExec = [&](QDialog&) {
        EXPECT_EQ(chooser.FileName(), "flag.png");
        return int(QDialog::Rejected);
    };
    EXPECT_FALSE(chooser.Choose());

    // A file that cannot be decoded is reported and leaves nothing chosen; a new selection
    // clears the Background box.
    dialogs.onExec = [&](QDialog&) {
        chooser.Check_Background->setChecked(true);
        EXPECT_TRUE(chooser.Select("broken.png"));
        EXPECT_FALSE(chooser.Background());
        return int(QDialog::Accepted);
    };
    EXPECT_FALSE(chooser.Choose());
    EXPECT_EQ(errors.texts.size(), 1);
    EXPECT_EQ(chooser.Picture(), nullptr);
    EXPECT_TRUE(chooser.FileName().isEmpty());
    EXPECT_FALSE(chooser.btOK->isEnabled());
}

TEST(DialogsPicture, PreviewShowsThePictureFittedAndCentredOnWhite)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    writePicture(dir.path() + "/small.png", 40, 20, "image/png");
    writePicture(dir.path() + "/long.png", 3000, 100, "image/png");
    FakeDialogHost dialogs;
    TImageSelect chooser;
    chooser.SetFolder(dir.path());
    chooser.FillList();
    chooser.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(chooser.Panel3->palette().color(QPalette::Window), QColor(Qt::white));

    // Without a picture nothing is drawn over the white panel.
    EXPECT_TRUE(chooser.Lab_Zoom->text().isEmpty());
    EXPECT_TRUE(chooser.Lab_Size->text().isEmpty());

    // A small picture is not enlarged: its own size, in the middle.
    ASSERT_TRUE(chooser.Select("small.png"));
    QWidget* view = chooser.ImagePreview->viewport();
    QImage shown = view->grab().toImage();
    const QSize size = view->size();
    const QPoint centre(size.width() / 2, size.height() / 2);
    EXPECT_EQ(QColor(shown.pixel(centre)), QColor(0x33, 0x66, 0xCC));
    EXPECT_EQ(QColor(shown.pixel(centre + QPoint(25, 0))), QColor(Qt::white));
    EXPECT_EQ(QColor(shown.pixel(centre + QPoint(0, 15))), QColor(Qt::white));
    EXPECT_EQ(QColor(shown.pixel(1, 1)), QColor(Qt::white));
    EXPECT_EQ(chooser.Lab_Zoom->text(), "100 %");

    // A long picture fills the width, centred up and down.
    ASSERT_TRUE(chooser.Select("long.png"));
    shown = view->grab().toImage();
    double zoom = 1.0;
    const TRect4 r = FitPictureRect({ 0, 0, 3000, 100 }, { 0, 0, size.width(), size.height() }, zoom, 7);
    EXPECT_EQ(r.w, size.width());
    EXPECT_EQ(QColor(shown.pixel(2, r.y + r.h / 2)), QColor(0x33, 0x66, 0xCC));
    EXPECT_EQ(QColor(shown.pixel(2, std::max(0, r.y - 3))), QColor(Qt::white));
    EXPECT_EQ(chooser.Lab_Size->text(), "3000 x 100");
    EXPECT_EQ(chooser.Lab_Zoom->text(), QString::number(std::min(size.width() * 100 / 3000, size.height() * 100 / 100)) + " %");

    // Back to "(no image)"-like emptiness: a selection cleared leaves no picture and empty labels.
    chooser.ImageList->clearSelection();
    EXPECT_EQ(chooser.Picture(), nullptr);
    EXPECT_TRUE(chooser.Lab_Size->text().isEmpty());
    EXPECT_FALSE(chooser.btOK->isEnabled());
    chooser.hide();
}
