#include "shell/ImageSelect.h"

#include "diagram_view/GdipPanel.h"
#include "plat/gfx/Graphics.h"
#include "plat/img/Codecs.h"
#include "plat/io/RegularFile.h"
#include "plat/rt/Numeric.h"
#include "plat_ui/DialogHost.h"
#include "plat_ui/GridDelegate.h"
#include "plat_ui/ErrorReport.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace zov {

namespace {

constexpr int DialogWidth = 574;
constexpr int DialogHeight = 426;
constexpr int ListWidth = 162;
constexpr int ColumnWidth = 142;
constexpr QRgb ListColour = 0xFFF0FBFF; // a pale blue behind the file names
constexpr QRgb GridColour = 0xFFC0C0C0;
// A picture file larger than this is not a flag or a logo; reading it would only tie up memory.
constexpr qint64 MaxPictureFileBytes = qint64(64) * 1024 * 1024;

bool isPictureName(const QString& name)
{
    const QString ext = QFileInfo(name).suffix().toUpper();
    return ext == u"GIF" || ext == u"JPG" || ext == u"BMP" || ext == u"PNG";
}


QFrame* newPanel(QWidget* parent, const char* name)
{
    auto* panel = new QFrame(parent);
    panel->setObjectName(QString::fromUtf8(name));
    return panel;
}

std::unique_ptr<gfx::Bitmap> loadPicture(const QString& path)
{
    io::RegularFile file(path.toStdString());
    const QByteArray data = file.read(MaxPictureFileBytes + 1);
    if (!file.error().empty())
        throw rt::IoError("Cannot open " + path.toStdString() + ": " + file.error());
    if (data.size() > MaxPictureFileBytes)
        throw img::ImageError(img::ImageError::Kind::TooLarge, path.toStdString() + " is too large for a picture");
    QImage image = img::decodeImage(data);
    if (image.format() != QImage::Format_ARGB32)
        image = image.convertToFormat(QImage::Format_ARGB32);
    return std::make_unique<gfx::Bitmap>(std::move(image));
}

} // namespace

TRect4 FitPictureRect(const TRect4& picture, const TRect4& target, double& zoom, int flags)
{
    TRect4 r = target;
    if (picture.w == 0 || picture.h == 0)
        return r;
    std::int32_t w = target.w;
    std::int32_t h = target.h;
    if (flags & fitNoEnlarge) {
        w = std::min(target.w, picture.w);
        h = std::min(target.h, picture.h);
    }
    zoom = double(w) / picture.w;
    const std::int32_t h2 = rt::RoundI32(picture.h * zoom);
    if (h < h2) {
        zoom = double(h) / picture.h;
        r.w = rt::RoundI32(picture.w * zoom);
        r.h = h;
    } else {
        r.w = w;
        r.h = h2;
    }
    if ((flags & fitCentreVertically) && r.h < target.h)
        r.y = target.y + (target.h - r.h) / 2;
    if ((flags & fitCentreHorizontally) && r.w < target.w)
        r.x = target.x + (target.w - r.w) / 2;
    return r;
}

TImageSelect::TImageSelect(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Image Selection"));
    setObjectName(QStringLiteral("ImageSelect"));

    ImageList = new QTreeWidget(this);
    ImageList->setObjectName(QStringLiteral("ImageList"));
    ImageList->setColumnCount(1);
    ImageList->setHeaderLabels({ QStringLiteral("Image Files") });
    {
        // Told nothing of the width, the hidden list does not lay itself out for it now: it lays
        // itself out when it first shows.
        const QSignalBlocker quiet(ImageList->header());
        ImageList->setColumnWidth(0, ColumnWidth);
    }
    ImageList->setRootIsDecorated(false);
    ImageList->setItemsExpandable(false);
    ImageList->setUniformRowHeights(true);
    ImageList->setSelectionMode(QAbstractItemView::SingleSelection);
    ImageList->setFixedWidth(ListWidth);
    ImageList->setItemDelegate(new ui::GridDelegate(QColor::fromRgba(GridColour), ImageList));
    QPalette palette = ImageList->palette();
    palette.setColor(QPalette::Base, QColor::fromRgba(ListColour));
    ImageList->setPalette(palette);
    new QTreeWidgetItem(ImageList, { QString::fromUtf8(NoImage) });

    // The preview on white, its information line below, the buttons at the bottom.
    Panel3 = newPanel(this, "Panel3");
    Panel3->setAutoFillBackground(true);
    QPalette white = Panel3->palette();
    white.setColor(QPalette::Window, Qt::white);
    Panel3->setPalette(white);
    Panel4 = newPanel(this, "Panel4");
    auto* bottomPanel = newPanel(this, "Panel2");

    ImagePreview = new TGDIPPanel(Panel3);
    ImagePreview->setObjectName(QStringLiteral("ImagePreview"));
    ImagePreview->SetTransparent(true);
    ImagePreview->OnPaint = [this](gfx::Graphics& g) { Paint(g); };
    ImagePreview->viewport()->installEventFilter(this);

    auto* zoomCaption = new QLabel(QStringLiteral("Zoom:"), Panel4);
    Lab_Zoom = new QLabel(Panel4);
    Lab_Zoom->setObjectName(QStringLiteral("Lab_Zoom"));
    auto* sizeCaption = new QLabel(QStringLiteral("Size:"), Panel4);
    Lab_Size = new QLabel(Panel4);
    Lab_Size->setObjectName(QStringLiteral("Lab_Size"));
    Check_Background = new QCheckBox(QStringLiteral("Background"), Panel4);
    Check_Background->setObjectName(QStringLiteral("Check_Background"));
    Check_Background->setLayoutDirection(Qt::RightToLeft); // the text stands left of the box

    btRefresh = new QPushButton(QStringLiteral("&Refresh"), bottomPanel);
    btRefresh->setObjectName(QStringLiteral("btRefresh"));
    btRefresh->setAutoDefault(false);
    btOK = new QPushButton(QStringLiteral("&OK"), bottomPanel);
    btOK->setObjectName(QStringLiteral("btOK"));
    btOK->setDefault(true);
    btOK->setEnabled(false);
    btCancel = new QPushButton(QStringLiteral("&Cancel"), bottomPanel);
    btCancel->setObjectName(QStringLiteral("btCancel"));
    btCancel->setAutoDefault(false);

    auto* preview = new QVBoxLayout(Panel3);
    preview->setContentsMargins(0, 0, 0, 0);
    preview->addWidget(ImagePreview);
    auto* info = new QHBoxLayout(Panel4);
    info->setContentsMargins(0, 0, 0, 0);
    info->addWidget(zoomCaption);
    info->addWidget(Lab_Zoom, 1);
    info->addWidget(sizeCaption);
    info->addWidget(Lab_Size, 1);
    info->addWidget(Check_Background);
    auto* right = new QVBoxLayout;
    right->addWidget(Panel3, 1);
    right->addWidget(Panel4);
    auto* top = new QHBoxLayout;
    top->addWidget(ImageList);
    top->addLayout(right, 1);
    auto* buttons = new QHBoxLayout(bottomPanel);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->addWidget(btRefresh);
    buttons->addStretch(1);
    buttons->addWidget(btOK);
    buttons->addWidget(btCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(bottomPanel);
    resize(DialogWidth, DialogHeight);

    connect(ImageList, &QTreeWidget::itemSelectionChanged, this, &TImageSelect::ImageListSelectItem);
    connect(btRefresh, &QPushButton::clicked, this, &TImageSelect::FillList);
    connect(btOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btCancel, &QPushButton::clicked, this, &QDialog::reject);

    SetFolder({});
    ImageList->setFocus();
}

TImageSelect::~TImageSelect() = default;

void TImageSelect::SetFolder(const QString& folder)
{
    FFolder = !folder.isEmpty() ? folder : QCoreApplication::applicationDirPath() + QStringLiteral("/Flags");
    if (!FFolder.endsWith(u'/') && !FFolder.endsWith(u'\\'))
        FFolder += u'/';
}

bool TImageSelect::Background() const
{
    return Check_Background->isChecked();
}

bool TImageSelect::Choose()
{
    FillList();
    ImageList->setFocus();
    const int result = ui::Dialogs().Exec(*this);
    return result == QDialog::Accepted && FPicture && !FPicture->isNull();
}

void TImageSelect::FillList()
{
    setWindowTitle(QStringLiteral("Image Select in ") + QDir::toNativeSeparators(FFolder));
    QStringList names;
    const QDir dir(FFolder);
    for (const QString& name : dir.entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::NoSort))
        if (isPictureName(name))
            names << name;
    if (names.isEmpty())
        return;
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });

    const QString chosen = FFileName;
    ImageList->clear();
    for (const QString& name : names)
        new QTreeWidgetItem(ImageList, { name });
    // The picture chosen before stays chosen while its file is still there.
    if (!chosen.isEmpty())
        Select(chosen);
}

bool TImageSelect::Select(const QString& caption)
{
    for (int i = 0; i < ImageList->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = ImageList->topLevelItem(i);
        if (item->text(0) == caption) {
            ImageList->setCurrentItem(item);
            item->setSelected(true);
            ImageList->scrollToItem(item);
            return true;
        }
    }
    return false;
}

void TImageSelect::ClearPicture()
{
    FPicture.reset();
    FFileName.clear();
    Lab_Size->clear();
    Lab_Zoom->clear();
    btOK->setEnabled(false);
}

void TImageSelect::ImageListSelectItem()
{
    Check_Background->setChecked(false);
    ClearPicture();
    const QList<QTreeWidgetItem*> selected = ImageList->selectedItems();
    const QString caption = selected.isEmpty() ? QString() : selected.first()->text(0);
    if (!caption.isEmpty() && caption != QString::fromUtf8(NoImage)) {
        try {
            FPicture = loadPicture(FFolder + caption);
            FFileName = caption;
        } catch (const std::exception& e) {
            ClearPicture(); // nothing stays chosen from a file that cannot be read
            ReportError(e);
        }
    }
    btOK->setEnabled(FPicture && !FPicture->isNull());
    UpdateInfo();
}

void TImageSelect::UpdateInfo()
{
    if (FPicture)
        Lab_Size->setText(QStringLiteral("%1 x %2").arg(FPicture->width()).arg(FPicture->height()));
    ZoomFactor();
    ImagePreview->viewport()->update();
}

void TImageSelect::ZoomFactor()
{
    if (!FPicture || FPicture->width() <= 0 || FPicture->height() <= 0)
        return;
    const QSize preview = ImagePreview->viewport()->size();
    const int zx = preview.width() * 100 / FPicture->width();
    const int zy = preview.height() * 100 / FPicture->height();
    const int z = std::min({ zx, zy, 100 });
    Lab_Zoom->setText(QStringLiteral("%1 %").arg(z));
}

void TImageSelect::Paint(gfx::Graphics& g)
{
    if (!FPicture || FPicture->isNull())
        return;
    const QSize preview = ImagePreview->viewport()->size();
    double zoom = 1.0;
    const TRect4 r = FitPictureRect({ 0, 0, FPicture->width(), FPicture->height() },
        { 0, 0, preview.width(), preview.height() }, zoom,
        fitNoEnlarge | fitCentreVertically | fitCentreHorizontally);
    g.clear(0xFFFFFFFF);
    g.drawImage(*FPicture, QRectF(r.x, r.y, r.w, r.h));
}

bool TImageSelect::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ImagePreview->viewport() && event->type() == QEvent::Resize)
        ZoomFactor();
    return QDialog::eventFilter(watched, event);
}

} // namespace zov
