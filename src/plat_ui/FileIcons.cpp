#include "plat_ui/FileIcons.h"

#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileSystemModel>
#include <QMimeDatabase>

namespace zov::ui {

namespace {

// A folder, a drive or a file of the type its name gives. stat() alone is asked, never the contents.
class NameOnlyIcons : public QFileIconProvider {
public:
    QIcon icon(IconType type) const override { return QFileIconProvider::icon(type); }

    QIcon icon(const QFileInfo& info) const override
    {
        if (info.isRoot())
            return icon(Drive);
        if (info.isDir())
            return icon(Folder);
        const QIcon byType = QIcon::fromTheme(typeOf(info).iconName());
        return byType.isNull() ? icon(File) : byType;
    }

    QString type(const QFileInfo& info) const override
    {
        if (!info.isFile())
            return QFileIconProvider::type(info); // folders, drives, pipes, devices: never read
        const QMimeType mime = typeOf(info);
        return mime.comment().isEmpty() ? mime.name() : mime.comment();
    }

private:
    QMimeType typeOf(const QFileInfo& info) const
    {
        return m_types.mimeTypeForFile(info, QMimeDatabase::MatchExtension);
    }

    QMimeDatabase m_types;
};

// One for the whole process, never freed: a model may still ask it while it goes.
NameOnlyIcons& icons()
{
    static auto* shared = new NameOnlyIcons;
    return *shared;
}

} // namespace

void ListByNameOnly(QFileDialog& dialog)
{
    dialog.setIconProvider(&icons());
}

void ListByNameOnly(QFileSystemModel& model)
{
    model.setIconProvider(&icons());
}

} // namespace zov::ui
