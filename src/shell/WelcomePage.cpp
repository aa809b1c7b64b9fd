#include "shell/WelcomePage.h"

#include "diagram/Diagram.h"
#include "diagram/ShellLink.h"
#include "plat/gfx/Bitmap.h"
#include "plat/sys/Trace.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QScrollBar>

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

// The name without its folder; recent entries carry no extension.
QString bareName(const QString& path)
{
    const qsizetype cut = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return path.mid(cut + 1);
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
    QString File; // a thumbnail's file; empty for a template

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

WelcomePage::WelcomePage(QWidget* parent)
    : QScrollArea(parent)
{
    setObjectName(QStringLiteral("Welcome"));
    setFrameShape(QFrame::NoFrame);
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

    newCaption(PanelZ, QStringLiteral("New Diagram"), 0, 0, 20, true);
    newCaption(PanelZ, QStringLiteral("Open Diagram"), 0, 500, 20, true);

    for (int i = 0; i < TemplateCount; ++i) {
        const int left = Lefts[i % 4];
        const int row = i / 4;
        newCaption(PanelZ, TemplateCaption(i), left, row == 0 ? 43 : 267, 13, false);
        QWidget* panel = newPanel(PanelZ, left, row == 0 ? 78 : 302, PanelHeight);
        panel->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
        m_templates[std::size_t(i)] = new WelcomePicture(*this, panel, i, PictureHeight);
        m_templates[std::size_t(i)]->setObjectName(QStringLiteral("Image%1").arg(i + 1));
    }
    for (int k = 0; k < ThumbnailCount; ++k) {
        QLabel* label = newCaption(PanelZ, QString(), Lefts[k], 543, 13, false);
        label->setObjectName(QStringLiteral("Label%1").arg(k + 11));
        label->setFixedWidth(PanelWidth);
        m_thumbnailLabels[std::size_t(k)] = label;
        QWidget* panel = newPanel(PanelZ, Lefts[k], 578, ThumbnailPanelHeight);
        panel->setObjectName(QStringLiteral("Panel%1").arg(k + 9));
        m_thumbnails[std::size_t(k)] = new WelcomePicture(*this, panel, k, ThumbnailPanelHeight - 2 * PictureInset);
        m_thumbnails[std::size_t(k)]->setObjectName(QStringLiteral("Image%1").arg(k + 9));
    }

    BuildTemplatePreviews();
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
    return i >= 0 && i < ThumbnailCount ? m_thumbnails[std::size_t(i)] : nullptr;
}

QLabel* WelcomePage::ThumbnailLabel(int i) const
{
    return i >= 0 && i < ThumbnailCount ? m_thumbnailLabels[std::size_t(i)] : nullptr;
}

QWidget* WelcomePage::ThumbnailPanel(int i) const
{
    QLabel* image = ThumbnailImage(i);
    return image ? image->parentWidget() : nullptr;
}

void WelcomePage::BuildTemplatePreviews()
{
    Trace("FormInit");
    DialogsMuted muted;
    for (int i = 0; i < TemplateCount; ++i) {
        WelcomePicture* image = m_templates[std::size_t(i)];
        // A preview that cannot be drawn leaves a blank picture: the template is still there.
        QPixmap picture = blankPicture(image->width(), image->height());
        const auto fill = Templates[i].fill;
        try {
            TDiagram preview;
            preview.SetClientSize(image->width(), image->height());
            (preview.*fill)();
            picture = toPixmap(*preview.CopyToBitmap(image->width(), image->height()));
        } catch (const std::exception& e) {
            Trace(std::string("Template preview: ") + e.what());
        }
        image->setPixmap(picture);
        image->parentWidget()->show();
    }
}

void WelcomePage::SetRecentFiles(const QStringList& files)
{
    QStringList dropped;
    m_recent.clear();
    {
        DialogsMuted muted;
        for (const QString& file : files) {
            if (m_recent.size() >= ThumbnailCount)
                break;
            if (file.trimmed().isEmpty())
                continue;
            const int k = int(m_recent.size());
            WelcomePicture* image = m_thumbnails[std::size_t(k)];
            std::unique_ptr<gfx::Bitmap> picture;
            try {
                TDiagram thumbnail;
                thumbnail.SetClientSize(image->width(), image->height());
                if (thumbnail.LoadFromFile(file.left(255).toStdString(), false))
                    picture = thumbnail.CopyToBitmap(image->width(), image->height());
            } catch (const std::exception& e) {
                Trace(std::string("Thumbnail: ") + e.what());
                picture.reset();
            }
            if (!picture || picture->isNull()) {
                dropped << file; // the next file takes its place
                continue;
            }
            image->setPixmap(toPixmap(*picture));
            image->File = file;
            image->setToolTip(file);
            m_thumbnailLabels[std::size_t(k)]->setText(bareName(file));
            image->parentWidget()->show();
            m_recent << file;
        }
    }
    for (int k = int(m_recent.size()); k < ThumbnailCount; ++k) {
        WelcomePicture* image = m_thumbnails[std::size_t(k)];
        image->clear();
        image->File.clear();
        image->setToolTip({});
        m_thumbnailLabels[std::size_t(k)]->clear();
        if (m_hot == image->parentWidget())
            SetHot(nullptr);
        image->parentWidget()->hide();
    }
    if (OnRecentFileDropped)
        for (const QString& file : dropped)
            OnRecentFileDropped(file);
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
    const QString file = picture->File;
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
