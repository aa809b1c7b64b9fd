#include "shell/FileList.h"

#include "diagram/DiagramFile.h"
#include "plat/io/BinaryStream.h"
#include "plat/io/Paths.h"
#include "plat/io/RegularFile.h"
#include "plat/rt/Cp1252.h"
#include "plat_ui/ColumnWidths.h"
#include "plat_ui/DialogHost.h"
#include "plat_ui/GridDelegate.h"
#include "shell/Characteristics.h"
#include "shell/DirectoryDialog.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>


namespace zov {

namespace {

constexpr int DesignWidth = 1100;
constexpr int DesignHeight = 760;
constexpr int PanelHeight = 40;
constexpr int DateTextLimit = 40;

struct Column {
    const char* caption;
    int width;
    bool centred;
};
constexpr Column Columns[TFileList::ColumnCount] = {
    { "File name", 135, false },
    { "Created", 75, true },
    { "Situation", 100, false },
    { "Rules", 100, false },
    { "Case/Call", 60, false },
    { "Author", 125, false },
    { "Description", 240, false },
};

// A row: sorting asks the browser, whose sort column and direction decide the order.
class FileItem : public QTreeWidgetItem {
public:
    explicit FileItem(TFileList& owner)
        : m_owner(owner)
    {
    }
    bool operator<(const QTreeWidgetItem& other) const override { return m_owner.ItemsCompare(*this, other) < 0; }

private:
    TFileList& m_owner;
};


template <std::size_t N> QString fieldText(const std::array<char, N>& field)
{
    return rt::FromCp1252(FieldText(field));
}

int compareText(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive);
}

int sign(int v)
{
    return v < 0 ? -1 : v > 0 ? 1 : 0;
}

bool isDiagramFile(const QFileInfo& info)
{
    // Both cases: a case-sensitive file system holds .zov and .ZOV alike.
    return info.suffix().compare(QLatin1String("zov"), Qt::CaseInsensitive) == 0;
}

} // namespace

bool ReadDiagramHeader(const QString& path, TDiagramHeader& header)
{
    io::RegularFile f(path.toStdString());
    constexpr qint64 size = 2 + TDiagramHeader::ByteSize;
    const QByteArray bytes = f.read(size);
    if (bytes.size() != size)
        return false;
    io::BinaryReader reader(io::Bytes(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())));
    reader.seek(2); // after the version word
    ReadHeaderRecord(reader, header);
    return true;
}

QString SituationText(int situationType)
{
    if (situationType < 0 || situationType >= SituationCount)
        return QString();
    return QString::fromUtf8(SituationTexts[situationType]);
}

TFileList::TFileList(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("FileList"));
    setWindowTitle(QStringLiteral("Available tactical diagrams"));

    auto* panel = new QWidget(this);
    panel->setFixedHeight(PanelHeight);
    Label1 = new QLabel(QStringLiteral("Folder:"), panel);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(8, 12);
    Label2 = new QLabel(panel);
    Label2->setObjectName(QStringLiteral("Label2"));
    QFont bold = Label2->font();
    bold.setBold(true);
    Label2->setFont(bold);
    Label2->move(60, 12);
    Button1 = new QPushButton(QStringLiteral("Change..."), panel);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setAutoDefault(false);
    Button1->move(80, 7);

    ListView = new QTreeWidget(this);
    ListView->setObjectName(QStringLiteral("ListView"));
    ListView->setColumnCount(ColumnCount);
    QStringList captions;
    for (const Column& c : Columns)
        captions << QString::fromUtf8(c.caption);
    ListView->setHeaderLabels(captions);
    {
        // Told nothing of these widths, the hidden list does not lay itself out for them now:
        // it lays itself out when it first shows.
        const QSignalBlocker quiet(ListView->header());
        for (int i = 0; i < ColumnCount; ++i)
            ListView->setColumnWidth(i, Columns[i].width);
        ListView->header()->setStretchLastSection(true);
    }
    for (int i = 0; i < ColumnCount; ++i)
        if (Columns[i].centred)
            ListView->headerItem()->setTextAlignment(i, Qt::AlignCenter);
    ListView->header()->setSectionsClickable(true);
    ListView->header()->setSortIndicatorShown(true);
    ListView->setRootIsDecorated(false);
    ListView->setItemsExpandable(false);
    ListView->setUniformRowHeights(true);
    ListView->setAllColumnsShowFocus(true);
    ListView->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView->setItemDelegate(new ui::GridDelegate(QColor(0xD8, 0xD8, 0xD8), ListView));
    ListView->setToolTip(QStringLiteral("Double click to open"));
    ListView->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(panel);
    layout->addWidget(ListView, 1);

    resize(DesignWidth, DesignHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(DesignWidth / 2, DesignHeight / 2));

    // FormCreate
    FCaptionPrefix = windowTitle() + QStringLiteral(" in \"");
    FSortDirection = 1;

    connect(ListView->header(), &QHeaderView::sectionClicked, this, &TFileList::HeaderClick);
    connect(ListView, &QTreeWidget::itemDoubleClicked, this, [this] { OpenSelected(); });
    connect(Button1, &QPushButton::clicked, this, &TFileList::Button1Click);
}

TFileList::~TFileList() = default;

TDirectory* TFileList::Directory()
{
    if (!m_directory)
        m_directory = new TDirectory(this);
    return m_directory;
}

QString TFileList::Folder() const
{
    return Label2->text().trimmed();
}

void TFileList::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        FormShow();
    QWidget::showEvent(event);
}

void TFileList::ShowFolder(const QString& folder)
{
    Label2->setText(folder);
    Label2->adjustSize();
    Button1->move(Label2->geometry().right() + 1 + 20, Button1->y());
}

void TFileList::FormShow()
{
    const QString folder = QDir::toNativeSeparators(QDir::currentPath());
    ShowFolder(folder);
    setWindowTitle(FCaptionPrefix + folder + u'"');
    FSortColumn = 0;
    ListView->clear();

    QDir dir(QDir::currentPath());
    dir.setFilter(QDir::Files); // plain files, hidden ones left out
    dir.setSorting(QDir::Name);
    for (const QFileInfo& info : dir.entryInfoList()) {
        if (!isDiagramFile(info))
            continue;
        // A file that cannot be read or is too short to be a diagram is left out; the others
        // are still listed.
        TDiagramHeader header;
        if (!ReadDiagramHeader(info.absoluteFilePath(), header))
            continue;
        AddFileItem(info.fileName(), header);
    }
    Sort();
    // The description fills what is left of the window.
    ui::WidenColumnsToText(*ListView, { Columns[0].width, Columns[1].width, Columns[2].width, Columns[3].width,
                                          Columns[4].width, Columns[5].width });
}

void TFileList::AddFileItem(const QString& name, const TDiagramHeader& header)
{
    auto* item = new FileItem(*this);
    item->setText(0, RemoveExtension(name));
    item->setText(1, fieldText(header.Date));
    item->setTextAlignment(1, Qt::AlignCenter);
    item->setText(2, SituationText(header.SituationType));
    item->setText(3, fieldText(header.Rules));
    item->setText(4, fieldText(header.CaseCall));
    item->setText(5, fieldText(header.Author));
    QString description = fieldText(header.Description);
    description.replace(u'\r', u' ');
    description.replace(u'\n', u' ');
    item->setText(6, description);
    ListView->addTopLevelItem(item);
}

void TFileList::HeaderClick(int column)
{
    if (column != FSortColumn) {
        FSortColumn = column;
        FSortDirection = 1;
    } else {
        FSortDirection = -FSortDirection;
    }
    Sort();
}

void TFileList::Sort()
{
    if (FSortColumn < 0 || FSortColumn >= ColumnCount)
        FSortColumn = 0;
    // ItemsCompare carries the direction; the view sorts "ascending" by it.
    ListView->sortItems(FSortColumn, Qt::AscendingOrder);
    ListView->header()->setSortIndicator(FSortColumn, FSortDirection > 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
}

int TFileList::ItemsCompare(const QTreeWidgetItem& item1, const QTreeWidgetItem& item2)
{
    if (FSortColumn < 0 || FSortColumn >= ColumnCount)
        FSortColumn = 0;
    if (FSortColumn == 0)
        return FSortDirection * sign(compareText(item1.text(0), item2.text(0)));
    if (FSortColumn == 1) {
        // Day, month and four-digit year at fixed places; a short date reads the missing parts
        // as empty.
        const QString d1 = item1.text(1).left(DateTextLimit);
        const QString d2 = item2.text(1).left(DateTextLimit);
        int r = compareText(d1.mid(6, 4), d2.mid(6, 4));
        if (r == 0)
            r = compareText(d1.mid(3, 2), d2.mid(3, 2));
        if (r == 0)
            r = compareText(d1.mid(0, 2), d2.mid(0, 2));
        return FSortDirection * sign(r);
    }
    return FSortDirection * sign(compareText(item1.text(FSortColumn), item2.text(FSortColumn)));
}

void TFileList::Button1Click()
{
    TDirectory* chooser = Directory();
    chooser->SetFolder(QDir::currentPath());
    if (ui::Dialogs().Exec(*chooser) == QDialog::Accepted) {
        const QString folder = chooser->Folder();
        // A folder that cannot be entered leaves the current one.
        if (!folder.isEmpty() && QDir::setCurrent(folder))
            FormShow();
    }
    ShowFolder(QDir::toNativeSeparators(QDir::currentPath()));
}

void TFileList::OpenSelected()
{
    QTreeWidgetItem* item = ListView->currentItem();
    if (!item || !item->isSelected())
        return;
    const QString folder = Folder();
    const QString file = QDir(QDir::fromNativeSeparators(folder)).filePath(item->text(0));
    hide();
    if (OnOpen)
        OnOpen(folder, file);
}

bool TFileList::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ListView && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            OpenSelected();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace zov
