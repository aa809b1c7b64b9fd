#include "shell/WelcomePage.h"

#include "diagram/Diagram.h"
#include "diagram/ShellLink.h"
#include "plat/gfx/Bitmap.h"
#include "plat/sys/Pool.h"
#include "plat/sys/Trace.h"
#include "shell/Startup.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QProxyStyle>
#include <QScrollBar>
#include <QStyleOptionComplex>

#include <algorithm>
#include <memory>

namespace zov {

namespace {

constexpr int PageWidth = 1142;
constexpr int PageHeight = 754;
constexpr int MinLeft = 16;
constexpr int MinTop = 12;
constexpr int Lefts[] = { 0, 296, 592, 888 };
constexpr int PanelWidth = 246;
constexpr int PanelHeight = 170;
constexpr int ThumbnailPanelHeight = 169;
constexpr int PictureInset = 4;
const QColor SkyBlue(0xA6, 0xCA, 0xF0);
const QColor HotRed(0xFF, 0x00, 0x00);

struct TemplateInfo {
    const char* caption;
    void (TDiagram::*fill)();
};

constexpr TemplateInfo Templates[WelcomePage::TemplateCount] = {
    { "Starting area", &TDiagram::NewStart },
    { "Windward Finishing area", &TDiagram::NewFinish1 },
    { "Leeward Finishing area", &TDiagram::NewFinish2 },
    { "Windward mark", &TDiagram::NewWindward },
    { "Leeward mark", &TDiagram::NewLeeward },
    { "Leeward gate", &TDiagram::NewGate },
    { "Full area", &TDiagram::NewFull },
    { "Empty area", &TDiagram::NewEmpty },
};

// Preview and thumbnail diagrams are never the program's diagram: whatever they do on the way
// (clearing a selection, reporting a file) must not reach the dialogs of the diagram on screen.
class DialogsMuted {
public:
    DialogsMuted() : m_shell(Shell) { Shell = nullptr; }
    ~DialogsMuted() { Shell = m_shell; }
    DialogsMuted(const DialogsMuted&) = delete;
    DialogsMuted& operator=(const DialogsMuted&) = delete;

private:
    ShellLink* m_shell;
};

QPixmap toPixmap(const gfx::Bitmap& bitmap)
{
    return QPixmap::fromImage(bitmap.image());
}

QPixmap blankPicture(int w, int h)
{
    QPixmap p(w, h);
    p.fill(Qt::white);
    return p;
}

using TemplatePictures = std::array<QImage, WelcomePage::TemplateCount>;

// The eight previews, drawn by the thread that calls; a preview that cannot be drawn stays null.
TemplatePictures drawTemplatePreviews()
{
    TemplatePictures pictures;
    AwaitFontConfig();
    for (int i = 0; i < WelcomePage::TemplateCount; ++i) {
        try {
            TDiagram preview;
            // A preview is drawn once, into its picture. Given a window area, it would be drawn
            // there too as its template fits it; with the trace on it is, as its lines tell it.
            if (DebugMode)
                preview.SetClientSize(WelcomePage::PictureWidth, WelcomePage::PictureHeight);
            const auto fill = Templates[i].fill;
            (preview.*fill)();
            pictures[std::size_t(i)] = preview.CopyToBitmap(WelcomePage::PictureWidth, WelcomePage::PictureHeight)->image();
        } catch (const std::exception& e) {
            Trace(std::string("Template preview: ") + e.what());
        } catch (...) {
            // Whatever could not be drawn shows blank: the template is still there.
        }
    }
    return pictures;
}

// The name without its folder; recent entries carry no extension.
QString bareName(const QString& path)
{
    const qsizetype cut = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return path.mid(cut + 1);
}

// A name without trailing blanks and control characters.
QString trimmedName(const QString& name)
{
    qsizetype n = name.size();
    while (n > 0 && name[n - 1].unicode() <= 0x20)
        --n;
    return name.left(n);
}

QLabel* newCaption(QWidget* parent, const QString& text, int x, int y, int pixels, bool bold)
{
    auto* label = new QLabel(text, parent);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    label->setFont(font);
    label->move(x, y);
    label->adjustSize();
    return label;
}

QWidget* newPanel(QWidget* parent, int x, int y, int h)
{
    auto* panel = new QWidget(parent);
    panel->setGeometry(x, y, PanelWidth, h);
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, SkyBlue);
    panel->setPalette(palette);
    panel->setCursor(Qt::PointingHandCursor);
    panel->hide();
    return panel;
}

// The application's style, with a tall scroll bar drawn in pieces. Qt's raster painter hands every
// fill of a hundred spans or more to its thread pool and waits for it, and the long lines and
// fills of a vertical scroll bar are such fills, one span a row: the page's scroll bar cost its
// first paint some milliseconds of hand-overs, more on a busy machine. Each piece of fewer rows is
// drawn whole into a picture of its own, over the bar's background, and put in place: the same
// strokes in the same order give the same pixels (a test holds them to it), here and at once.
class ScrollBarInPieces : public QProxyStyle {
public:
    explicit ScrollBarInPieces(QObject* owner) { setParent(owner); }

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
        const QWidget* widget) const override
    {
        const QRect area = option->rect;
        const qreal ratio = painter->device()->devicePixelRatio();
        const int rows = std::max(1, int(PieceRows / ratio));
        if (control != CC_ScrollBar || area.height() <= rows || area.width() >= area.height() || !widget
            || !widget->autoFillBackground() || !painter->transform().isIdentity() || painter->opacity() != 1.0
            || painter->compositionMode() != QPainter::CompositionMode_SourceOver) {
            QProxyStyle::drawComplexControl(control, option, painter, widget);
            return;
        }
        for (int top = area.top(); top <= area.bottom(); top += rows) {
            const QRect piece(area.left(), top, area.width(), std::min(rows, area.bottom() + 1 - top));
            QImage image(piece.size() * ratio, QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(ratio);
            {
                QPainter p(&image);
                p.translate(-piece.topLeft());
                p.fillRect(piece, widget->palette().brush(widget->backgroundRole())); // as under the bar
                p.setFont(painter->font());
                p.setPen(painter->pen());
                p.setBrush(painter->brush());
                p.setBackground(painter->background());
                p.setRenderHints(painter->renderHints());
                QProxyStyle::drawComplexControl(control, option, &p, widget);
            }
            painter->drawImage(piece.topLeft(), image);
        }
    }

private:
    // Rows of a piece: its outline (two sides of this height, two of the bar's width) stays well
    // below the hundred spans.
    static constexpr int PieceRows = 32;
};

} // namespace

// A picture of the page: a click on it is a click on its template or its file; the pointer over
// it lights its panel.
class WelcomePicture : public QLabel {
public:
    WelcomePicture(WelcomePage& page, QWidget* panel, int index, int height)
        : QLabel(panel)
        , m_page(page)
        , m_index(index)
    {
        setGeometry(PictureInset, PictureInset, WelcomePage::PictureWidth, height);
        setMouseTracking(true);
    }

    int Index() const { return m_index; }

protected:
    void enterEvent(QEnterEvent* event) override
    {
        m_page.SetHot(parentWidget());
        QLabel::enterEvent(event);
    }
    void leaveEvent(QEvent* event) override
    {
        m_page.SetHot(nullptr);
        QLabel::leaveEvent(event);
    }
    void mousePressEvent(QMouseEvent* event) override { event->accept(); }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        event->accept();
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
            m_page.Clicked(this);
    }

private:
    WelcomePage& m_page;
    int m_index;
};

// ---------------------------------------------------------------------------------------------
// Thumbnails

TThumbnail::TThumbnail(QLabel* image, QLabel* label)
    : FImage(image)
    , FLabel(label)
{
}

bool TThumbnail::LoadFile(const QString& fileName)
{
    // A diagram of its own: the program's current diagram and its dialogs stay out of it, and a
    // file that cannot be read, whatever the reason, only makes the load fail.
    DialogsMuted muted;
    std::unique_ptr<gfx::Bitmap> picture;
    try {
        TDiagram thumbnail;
        thumbnail.SetClientSize(FImage->width(), FImage->height());
        if (thumbnail.LoadFromFile(fileName.left(255).toStdString(), false))
            picture = thumbnail.CopyToBitmap(FImage->width(), FImage->height());
    } catch (const std::exception& e) {
        Trace(std::string("Thumbnail: ") + e.what());
        picture.reset();
    }
    if (!picture || picture->isNull())
        return false;
    ShowPicture(toPixmap(*picture), fileName);
    return true;
}

void TThumbnail::ShowCurrentDiagram(TDiagram& diagram, const QString& fileName)
{
    QPixmap picture = blankPicture(FImage->width(), FImage->height());
    try {
        std::unique_ptr<gfx::Bitmap> bitmap = diagram.SnapshotToBitmap(FImage->width(), FImage->height());
        if (bitmap && !bitmap->isNull())
            picture = toPixmap(*bitmap);
    } catch (const std::exception& e) {
        Trace(std::string("Thumbnail: ") + e.what()); // the file stays listed, on a blank picture
    }
    ShowPicture(picture, fileName);
}

void TThumbnail::ShowPicture(const QPixmap& picture, const QString& fileName)
{
    m_file = fileName;
    FLabel->setText(bareName(fileName));
    FImage->setPixmap(picture);
    FImage->setToolTip(fileName);
    FImage->parentWidget()->show();
}

void TThumbnail::TakeOver(const TThumbnail& other)
{
    if (other.Empty()) {
        Clear();
        return;
    }
    ShowPicture(other.FImage->pixmap(), other.m_file);
}

void TThumbnail::Clear()
{
    m_file.clear();
    FLabel->clear();
    FImage->clear();
    FImage->setToolTip({});
    FImage->parentWidget()->hide();
}

// ---------------------------------------------------------------------------------------------
// The page

WelcomePage::WelcomePage(QWidget* parent, Previews previews)
    : QScrollArea(parent)
    , m_previews(std::move(previews))
{
    const bool drawNow = !m_previews.Started();
    if (drawNow)
        m_previews = StartTemplatePreviews();
    setObjectName(QStringLiteral("Welcome"));
    setFrameShape(QFrame::NoFrame);
    // The vertical scroll bar's background is the window's, as it shows under it; filled by the bar,
    // it is under each of its pieces too.
    verticalScrollBar()->setAutoFillBackground(true);
    verticalScrollBar()->setStyle(new ScrollBarInPieces(this));
    setWidgetResizable(false);

    m_content = new QWidget;
    m_content->setAutoFillBackground(true);
    QPalette white = m_content->palette();
    white.setColor(QPalette::Window, Qt::white);
    m_content->setPalette(white);
    setWidget(m_content);
    viewport()->setAutoFillBackground(true);
    viewport()->setPalette(white);

    PanelZ = new QWidget(m_content);
    PanelZ->setObjectName(QStringLiteral("PanelZ"));
    PanelZ->setFixedSize(PageWidth, PageHeight);
    PanelZ->setAutoFillBackground(true);
    PanelZ->setPalette(white);

    newCaption(PanelZ, QStringLiteral("New Diagram"), 0, 0, 20, true)->setObjectName(QStringLiteral("Label1"));
    newCaption(PanelZ, QStringLiteral("Open Diagram"), 0, 500, 20, true)->setObjectName(QStringLiteral("Label10"));

    for (int i = 0; i < TemplateCount; ++i) {
        const int left = Lefts[i % 4];
        const int row = i / 4;
        QLabel* caption = newCaption(PanelZ, TemplateCaption(i), left, row == 0 ? 43 : 267, 13, false);
        caption->setObjectName(QStringLiteral("Label%1").arg(i + 2));
        QWidget* panel = newPanel(PanelZ, left, row == 0 ? 78 : 302, PanelHeight);
        panel->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
        m_templates[std::size_t(i)] = new WelcomePicture(*this, panel, i, PictureHeight);
        m_templates[std::size_t(i)]->setObjectName(QStringLiteral("Image%1").arg(i + 1));
    }
    m_thumbnails.reserve(ThumbnailCount);
    for (int k = 0; k < ThumbnailCount; ++k) {
        QLabel* label = newCaption(PanelZ, QString(), Lefts[k], 543, 13, false);
        label->setObjectName(QStringLiteral("Label%1").arg(k + 11));
        label->setFixedWidth(PanelWidth);
        QWidget* panel = newPanel(PanelZ, Lefts[k], 578, ThumbnailPanelHeight);
        panel->setObjectName(QStringLiteral("Panel%1").arg(k + 9));
        auto* image = new WelcomePicture(*this, panel, k, PictureHeight);
        image->setObjectName(QStringLiteral("Image%1").arg(k + 9));
        m_thumbnails.emplace_back(image, label);
    }

    if (drawNow)
        ShowTemplatePreviews();
    CentrePage();
}

WelcomePage::~WelcomePage() = default;

QString WelcomePage::TemplateCaption(int i)
{
    if (i < 0 || i >= TemplateCount)
        return {};
    return QString::fromUtf8(Templates[i].caption);
}

QLabel* WelcomePage::TemplateImage(int i) const
{
    return i >= 0 && i < TemplateCount ? m_templates[std::size_t(i)] : nullptr;
}

QWidget* WelcomePage::TemplatePanel(int i) const
{
    QLabel* image = TemplateImage(i);
    return image ? image->parentWidget() : nullptr;
}

QLabel* WelcomePage::ThumbnailImage(int i) const
{
    return i >= 0 && i < ThumbnailCount ? m_thumbnails[std::size_t(i)].FImage : nullptr;
}

QLabel* WelcomePage::ThumbnailLabel(int i) const
{
    return i >= 0 && i < ThumbnailCount ? m_thumbnails[std::size_t(i)].FLabel : nullptr;
}

TThumbnail* WelcomePage::Thumbnail(int i)
{
    return i >= 0 && i < ThumbnailCount ? &m_thumbnails[std::size_t(i)] : nullptr;
}

QWidget* WelcomePage::ThumbnailPanel(int i) const
{
    QLabel* image = ThumbnailImage(i);
    return image ? image->parentWidget() : nullptr;
}

// The previews are drawn on a thread of Qt's global pool. On any other thread Qt's raster painter
// hands each batch of a hundred spans or more (a dotted grid line, a tall fill) to that pool and
// waits for it; on one of its threads it fills them itself. For pictures this small the
// hand-overs cost more than the filling: drawn there, the previews take half the time or less,
// pixel for pixel the same. The diagrams drawn there are that thread's alone, and so is all the
// state their drawing changes (the current diagram, the shell link, the shared pen and brush, the
// text caches): they are never the window's current diagram and never reach the dialogs.
WelcomePage::Previews WelcomePage::StartTemplatePreviews()
{
    Trace("FormInit");
    auto done = std::make_shared<std::promise<TemplatePictures>>();
    Previews previews;
    previews.m_pictures = done->get_future();
    sys::RunOnPool([done] { done->set_value(drawTemplatePreviews()); });
    return previews;
}

// A drawing under way is waited for: no preview task outlives the page it was started for.
WelcomePage::Previews& WelcomePage::Previews::operator=(Previews&& other) noexcept
{
    if (m_pictures.valid())
        m_pictures.wait();
    m_pictures = std::move(other.m_pictures);
    return *this;
}

WelcomePage::Previews::~Previews()
{
    if (m_pictures.valid())
        m_pictures.wait();
}

std::array<QImage, WelcomePage::TemplateCount> WelcomePage::Previews::Take()
{
    return m_pictures.valid() ? m_pictures.get() : std::array<QImage, TemplateCount> {};
}

void WelcomePage::ShowTemplatePreviews()
{
    if (!m_previews.Started())
        return;
    const TemplatePictures pictures = m_previews.Take();
    for (int i = 0; i < TemplateCount; ++i) {
        WelcomePicture* image = m_templates[std::size_t(i)];
        const QImage& picture = pictures[std::size_t(i)];
        // A preview that could not be drawn leaves a blank picture: the template is still there.
        image->setPixmap(picture.isNull() ? blankPicture(image->width(), image->height()) : QPixmap::fromImage(picture));
        image->parentWidget()->show();
    }
}

void WelcomePage::BuildTemplatePreviews()
{
    m_previews = StartTemplatePreviews();
    ShowTemplatePreviews();
}

void WelcomePage::SetRecentFiles(const QStringList& files)
{
    QStringList dropped;
    int k = 0;
    for (const QString& file : files) {
        if (k >= ThumbnailCount)
            break;
        if (file.trimmed().isEmpty())
            continue;
        if (m_thumbnails[std::size_t(k)].LoadFile(file))
            ++k;
        else
            dropped << file; // the next file takes its place
    }
    for (; k < ThumbnailCount; ++k) {
        if (m_hot == ThumbnailPanel(k))
            SetHot(nullptr);
        m_thumbnails[std::size_t(k)].Clear();
    }
    if (OnRecentFileDropped)
        for (const QString& file : dropped)
            OnRecentFileDropped(file);
}

QStringList WelcomePage::RecentFiles() const
{
    QStringList files;
    for (const TThumbnail& t : m_thumbnails)
        if (!t.Empty())
            files << t.File();
    return files;
}

bool WelcomePage::SameFile(const QString& a, const QString& b)
{
#ifdef Q_OS_WIN
    return a.compare(b, Qt::CaseInsensitive) == 0;
#else
    return a == b;
#endif
}

void WelcomePage::AddRecentFile(const QString& fileName, TDiagram* diagram)
{
    const QString file = trimmedName(fileName);
    if (file.isEmpty())
        return;
    // The thumbnail that showed the file, or the last one, gives way; those before it move on.
    int last = ThumbnailCount - 1;
    for (int k = 0; k < ThumbnailCount; ++k)
        if (!m_thumbnails[std::size_t(k)].Empty() && SameFile(m_thumbnails[std::size_t(k)].File(), file)) {
            last = k;
            break;
        }
    for (int k = last; k >= 1; --k)
        m_thumbnails[std::size_t(k)].TakeOver(m_thumbnails[std::size_t(k - 1)]);
    TThumbnail& first = m_thumbnails[0];
    if (diagram)
        first.ShowCurrentDiagram(*diagram, file);
    else if (!first.LoadFile(file))
        first.ShowPicture(blankPicture(first.FImage->width(), first.FImage->height()), file); // listed all the same
    if (m_hot && m_hot->isHidden())
        SetHot(nullptr);
}

void WelcomePage::RemoveRecentFile(const QString& fileName)
{
    const QString file = trimmedName(fileName);
    for (int k = 0; k < ThumbnailCount; ++k) {
        if (m_thumbnails[std::size_t(k)].Empty() || !SameFile(m_thumbnails[std::size_t(k)].File(), file))
            continue;
        for (int j = k; j + 1 < ThumbnailCount; ++j)
            m_thumbnails[std::size_t(j)].TakeOver(m_thumbnails[std::size_t(j + 1)]);
        m_thumbnails[ThumbnailCount - 1].Clear();
        break;
    }
    if (m_hot && m_hot->isHidden())
        SetHot(nullptr);
}

void WelcomePage::SetHot(QWidget* panel)
{
    if (panel == m_hot)
        return;
    auto paint = [](QWidget* w, const QColor& colour) {
        QPalette palette = w->palette();
        palette.setColor(QPalette::Window, colour);
        w->setPalette(palette);
    };
    if (m_hot)
        paint(m_hot, SkyBlue);
    if (panel)
        paint(panel, HotRed);
    m_hot = panel;
}

void WelcomePage::Clicked(WelcomePicture* picture)
{
    for (int i = 0; i < TemplateCount; ++i)
        if (m_templates[std::size_t(i)] == picture) {
            if (OnTemplate)
                OnTemplate(i);
            return;
        }
    // Copied: the handler may well refill the thumbnails.
    QString file;
    for (const TThumbnail& t : m_thumbnails)
        if (t.FImage == picture)
            file = t.File();
    if (!file.isEmpty() && OnRecentFile)
        OnRecentFile(file);
}

void WelcomePage::CentrePage()
{
    const QSize area = viewport()->size();
    const int d = area.width() - PageWidth;
    const int e = area.height() - PageHeight;
    const int left = d > MinLeft ? d / 2 : MinLeft;
    const int top = e > MinTop ? e / 2 : MinTop;
    m_content->resize(std::max(area.width(), left + PageWidth + MinLeft), std::max(area.height(), top + PageHeight + MinTop));
    PanelZ->move(left, top);
}

void WelcomePage::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    CentrePage();
}

} // namespace zov
