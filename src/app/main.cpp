#include <QApplication>
#include <QMessageBox>

// The editor's main window arrives with the application shell; until then the program says so.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zovaran"));
    QMessageBox::information(nullptr, QStringLiteral("Zovaran"),
        QStringLiteral("The main window of the editor is not built yet."));
    return 0;
}
