#include "diagram/Diagram.h"
#include "diagram/DiagramFile.h"
#include "diagram_view/DiagramView.h"
#include "plat/io/FileNames.h"
#include "plat/io/Paths.h"
#include "plat/rt/Errors.h"
#include "plat_ui/DialogHost.h"
#include "plat_ui/ErrorReport.h"
#include "plat_ui/FileIcons.h"
#include "shell/MainWindow.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QTabBar>

// Save and Save As: the save dialog, the file types it offers, and the question before a file
// is replaced.

namespace zov {

namespace {

struct SaveType {
    const char* filter;
    const char* extension; // added to a name typed without one
};

// The pseudo-extensions ".xxx" and ".uuu" only choose the export: the animated GIF is written as
// ".gif", the pictures of the steps as "-1.png", "-2.png" and so on.
const SaveType SaveTypes[] = {
    { "Diagram (*.zov *.ZOV)", ".zov" },
    { "Static image (GIF) (*.gif *.GIF)", ".gif" },
    { "Animated image (GIF) (*.xxx *.XXX)", ".xxx" },
    { "One image per situation (PNG) (*.uuu *.UUU)", ".uuu" },
    { "Static image (PNG) (*.png *.PNG)", ".png" },
    { "Static image (JPG) (*.jpg *.JPG)", ".jpg" },
    { "Static image (BMP) (*.bmp *.BMP)", ".bmp" },
    { "HTML Page (*.htm *.HTM)", ".htm" },
};

// The files a Save As to Name with extension Ext (upper case, with its dot) writes, as far as
// they could replace a file of the user's.
QStringList FilesWritten(const QString& name, const QString& ext, const TDiagram& d)
{
    for (const char* still : { ".GIF", ".JPG", ".PNG", ".BMP" })
        if (ext == QLatin1String(still))
            return { name + ext.toLower() };
    if (ext == QLatin1String(".XXX"))
        return { name + QStringLiteral(".gif") };
    if (ext == QLatin1String(".UUU")) {
        QStringList files;
        for (std::int32_t step = 1; step <= std::max<std::int32_t>(d.FStepCount, 1); ++step)
            files << name + QStringLiteral("-%1.png").arg(step);
        return files;
    }
    if (ext == QLatin1String(".HTM"))
        return { name + QStringLiteral(".htm") };
    const std::string existing = io::findExtensionVariant(name.toStdString(), DiagramExtension);
    return { existing.empty() ? name + QStringLiteral(".zov") : QString::fromStdString(existing) };
}

} // namespace

QStringList TZovForm::SaveFilters()
{
    QStringList filters;
    for (const SaveType& type : SaveTypes)
        filters << QString::fromUtf8(type.filter);
    return filters;
}

QString TZovForm::WithTypeExtension(const QString& typed, int typeIndex)
{
    // A name with a dot has its extension typed, as the file dialogs of the desktop take it.
    if (typed.isEmpty() || QFileInfo(typed).fileName().contains(u'.') || typeIndex < 0
        || typeIndex >= int(std::size(SaveTypes)))
        return typed;
    return typed + QString::fromUtf8(SaveTypes[typeIndex].extension);
}

QString TZovForm::RunSaveDialog()
{
    const TDiagram* d = CurrentDiagram();
    QFileDialog dialog(this, QStringLiteral("Save as"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    ui::ListByNameOnly(dialog);
    // Replacing is asked once the file that will really be written is known (SaveAs).
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(SaveFilters());
    dialog.setDirectory(LastFolder);
    if (d && !d->FFileName.empty())
        dialog.selectFile(QString::fromStdString(d->FFileName));
    if (ui::Dialogs().Exec(dialog) != QDialog::Accepted)
        return {};
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty() || QFileInfo(files.first()).fileName().isEmpty())
        return {};
    return WithTypeExtension(files.first(), int(SaveFilters().indexOf(dialog.selectedNameFilter())));
}

bool TZovForm::AskReplace(const QString& path)
{
    const auto answer = ui::MessageBox(
        QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(QFileInfo(path).fileName()),
        QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No, this);
    return answer == QMessageBox::Yes;
}

bool TZovForm::WriteDiagram(TDiagram& d, bool askBeforeReplacing)
{
    const QString name = QString::fromStdString(d.FFileName);
    auto own = m_ownFile.find(&d);
    const bool isOwnFile = own != m_ownFile.end() && own->second == name;
    const std::string existing = io::findExtensionVariant(d.FFileName, DiagramExtension);
    // The name came from an export or from a partly read file: never overwrite silently.
    if (askBeforeReplacing && !isOwnFile && !existing.empty() && !AskReplace(QString::fromStdString(existing)))
        return false;
    bool saved = false;
    try {
        CurrentDiagramScope current(&d);
        saved = d.SaveToFile();
    } catch (const std::exception& e) {
        ReportError(e);
    }
    if (saved)
        m_ownFile[&d] = name;
    return saved;
}

void TZovForm::SaveAsClick()
{
    if (!CurrentDiagram())
        return;
    const QString chosen = AskSaveFileName ? AskSaveFileName() : QString();
    if (chosen.isEmpty())
        return;
    SaveAs(chosen);
}

void TZovForm::SaveAs(const QString& chosen)
{
    TDiagram* d = CurrentDiagram();
    if (!d || chosen.isEmpty())
        return;
    const QString suffix = QFileInfo(chosen).suffix();
    const QString ext = suffix.isEmpty() ? QString() : QStringLiteral(".") + suffix.toUpper();
    const QString name = RemoveExtension(chosen);
    // A folder of that name is not offered for replacing: the write says why it fails.
    for (const QString& file : FilesWritten(name, ext, *d))
        if (QFileInfo::exists(file) && !QFileInfo(file).isDir()) {
            if (!AskReplace(file))
                return; // as if the dialog had been cancelled
            break;
        }
    LastFolder = QFileInfo(chosen).absolutePath();
    const std::string oldName = d->FFileName;
    d->FFileName = name.toStdString();
    Normal1Click();
    bool done = false;
    try {
        CurrentDiagramScope current(d);
        done = true;
        if (ext == QLatin1String(".GIF"))
            d->ExportImage("gif", 0, 0);
        else if (ext == QLatin1String(".JPG"))
            d->ExportImage("jpg", 0, 0);
        else if (ext == QLatin1String(".PNG"))
            d->ExportImage("png", 0, 0);
        else if (ext == QLatin1String(".BMP"))
            d->ExportImage("bmp", 0, 0);
        else if (ext == QLatin1String(".XXX"))
            d->ExportAnimatedGif();
        else if (ext == QLatin1String(".UUU")) {
            d->FDisplayMode = dmAnimation;
            d->ExportImage("png", 0, 0);
        } else if (ext == QLatin1String(".HTM"))
            d->ExportXml();
        else
            done = WriteDiagram(*d, false); // replacing it was asked above
    } catch (const rt::IoError& e) {
        // Shown whole, as a failed save is: the path with its extension, and why.
        done = false;
        ui::ShowMessage(QString::fromStdString(e.what()), this);
    } catch (const std::exception& e) {
        done = false;
        ReportError(e);
    }
    if (!done) {
        // Nothing was written under the new name: the diagram keeps its old one.
        d->FFileName = oldName;
        return;
    }
    m_partOf.erase(d);
    SetCaptionOfFile(chosen);
    TabControl->setTabText(TabOfView(m_current), ShortenPath(name));
    Save1->setEnabled(true);
    Export1->setEnabled(true);
    if (ext == QLatin1String(".ZOV"))
        AddToRecentFiles(name);
}

} // namespace zov
