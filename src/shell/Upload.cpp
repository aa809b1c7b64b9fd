#include "shell/Upload.h"

#include "diagram/Diagram.h"
#include "diagram/DiagramFile.h"
#include "diagram/Progress.h"
#include "plat/io/FileNames.h"
#include "plat_ui/DialogHost.h"
#include "plat_ui/net/HttpUpload.h"
#include "shell/Update.h"

#include <QFileInfo>

namespace zov {

namespace {
// Enough for any answer the host means to give; an error page is cut to this.
constexpr qsizetype MaxShownReply = 200;
} // namespace

QString UploadReplyText(long httpStatus, const std::string& reply, const QString& fileName)
{
    if (httpStatus != 200)
        return QStringLiteral("Error HTTP %1").arg(httpStatus);
    if (reply == "0")
        return QStringLiteral("OK, file has been exported");
    if (reply == "3")
        return QStringLiteral("File \"%1.zov\" already exists on ZOV Repository").arg(fileName);
    QString shown;
    for (const unsigned char c : reply) {
        if (shown.size() == MaxShownReply) {
            shown += QStringLiteral("...");
            break;
        }
        shown += (c >= 0x20 && c < 0x7F) ? QChar(c) : QChar(' ');
    }
    return QStringLiteral("Error ") + shown;
}

void UploadToRepository(const TDiagram& diagram, QWidget* window)
{
    if (diagram.FFileName.empty()) {
        ui::ShowMessage(QStringLiteral("Save the diagram before exporting it to ZOV Repository"), window);
        return;
    }
    const std::string path = io::findExtensionVariant(diagram.FFileName, DiagramExtension);
    if (path.empty()) {
        ui::ShowMessage(QStringLiteral("Cannot find the file %1").arg(QString::fromStdString(diagram.FFileName + DiagramExtension)), window);
        return;
    }
    const QFileInfo info(QString::fromStdString(path));
    net::UploadRequest request;
    request.url = (WebHost() + QStringLiteral("/import.php")).toStdString();
    request.field = "uploaded";
    request.path = path;
    request.fileName = info.fileName().toStdString();
    request.partType = "multipart/form-data";
    // Sent from a thread of its own: the window keeps painting and Cancel stops it at once.
    std::unique_ptr<Progress> progress = NewProgress();
    const net::UploadReply reply = net::PostFileWithProgress(request, *progress, "ZOV update", UploadProgressText);
    if (reply.cancelled)
        return; // the user's own choice: nothing to say
    ui::ShowMessage(UploadReplyText(reply.httpStatus, reply.body, info.completeBaseName()), window);
}

} // namespace zov
