#include "shell/DirectoryDialog.h"

#include "plat_ui/FileIcons.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace zov {

namespace {

// The root (drive) a folder lies on, as QDir::drives() names it.
QString rootOf(const QString& folder)
{
    QDir d(QFileInfo(folder).absoluteFilePath());
    while (d.cdUp()) { }
    return d.absolutePath();
}

} // namespace

TDirectory::TDirectory(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Directory"));
    setWindowTitle(QStringLiteral("Select a folder"));

    auto* top = new QWidget(this);
    Label1 = new QLabel(QStringLiteral("Drive"), top);
    Label1->setObjectName(QStringLiteral("Label1"));
    DriveComboBox1 = new QComboBox(top);
    DriveComboBox1->setObjectName(QStringLiteral("DriveComboBox1"));
    for (const QFileInfo& drive : QDir::drives())
        DriveComboBox1->addItem(QDir::toNativeSeparators(drive.absolutePath()), drive.absolutePath());
    Label1->setBuddy(DriveComboBox1);
    auto* topLayout = new QHBoxLayout(top);
    topLayout->addWidget(Label1);
    topLayout->addWidget(DriveComboBox1, 1);

    m_model = new QFileSystemModel(this);
    m_model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_model->setReadOnly(true);
    ui::ListByNameOnly(*m_model);
    DirectoryListBox1 = new QTreeView(this);
    DirectoryListBox1->setObjectName(QStringLiteral("DirectoryListBox1"));
    DirectoryListBox1->setModel(m_model);
    for (int c = 1; c < m_model->columnCount(); ++c)
        DirectoryListBox1->hideColumn(c);
    DirectoryListBox1->header()->hide();
    DirectoryListBox1->setSelectionMode(QAbstractItemView::SingleSelection);

    Button1 = new QPushButton(QStringLiteral("&OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("&Cancel"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setAutoDefault(false);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(Button1);
    bottom->addWidget(Button2);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(top);
    layout->addWidget(DirectoryListBox1, 1);
    layout->addLayout(bottom);
    resize(320, 400);

    connect(DriveComboBox1, &QComboBox::currentIndexChanged, this, &TDirectory::DriveChanged);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    if (DriveComboBox1->count() > 0)
        DriveChanged(DriveComboBox1->currentIndex());
}

void TDirectory::DriveChanged(int index)
{
    if (index < 0)
        return;
    const QString root = DriveComboBox1->itemData(index).toString();
    m_model->setRootPath(root);
    DirectoryListBox1->setRootIndex(m_model->index(root).parent());
}

void TDirectory::SetFolder(const QString& folder)
{
    m_folder = QFileInfo(folder).absoluteFilePath();
    const int drive = DriveComboBox1->findData(rootOf(m_folder));
    if (drive >= 0)
        DriveComboBox1->setCurrentIndex(drive);
    const QModelIndex index = m_model->index(m_folder);
    if (index.isValid()) {
        DirectoryListBox1->setCurrentIndex(index);
        DirectoryListBox1->scrollTo(index);
        DirectoryListBox1->expand(index);
    }
}

QString TDirectory::Folder() const
{
    const QModelIndex index = DirectoryListBox1->currentIndex();
    if (index.isValid())
        return m_model->filePath(index);
    return m_folder;
}

} // namespace zov
