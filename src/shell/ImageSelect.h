#pragma once
// The picture chooser "Image Selection": lists the pictures of the folder "Flags" beside the
// program, previews the chosen one, and hands it to the diagram that inserts a picture object.

#include "model/Geometry.h"
#include "plat/gfx/Bitmap.h"

#include <QDialog>
#include <QPushButton>
#include <QString>

#include <memory>

class QCheckBox;
class QFrame;
class QLabel;
class QTreeWidget;

namespace gfx {
class Graphics;
}

namespace zov {

class TGDIPPanel;

// FitPictureRect flags.
enum FitFlags { fitNoEnlarge = 1, fitCentreVertically = 2, fitCentreHorizontally = 4 };

// The rectangle (x, y, width, height) that Picture takes when fitted into Target, keeping its
// proportions; Zoom receives the scale. A picture without width or height gives Target itself
// and leaves Zoom alone.
TRect4 FitPictureRect(const TRect4& picture, const TRect4& target, double& zoom, int flags);

class TImageSelect : public QDialog {
public:
    explicit TImageSelect(QWidget* parent = nullptr);
    ~TImageSelect() override;

    // Refills the list and runs the dialog modally (through the dialog host, which tests
    // replace). True when it was closed with OK and a picture is chosen.
    bool Choose();

    // The chosen picture (owned by the dialog, kept after it closes until the selection
    // changes), or none.
    const gfx::Bitmap* Picture() const { return FPicture.get(); }
    // Whether the picture is to become the diagram's background.
    bool Background() const;
    bool IsBackground() const { return Background(); }
    // The chosen picture's file name without its folder; empty when none is chosen.
    const QString& FileName() const { return FFileName; }

    // The folder the list shows, with its trailing separator.
    const QString& Folder() const { return FFolder; }
    // Lists Folder instead of "Flags" beside the program; empty goes back to that one.
    void SetFolder(const QString& folder);

    // Lists the folder's pictures (extension .GIF, .JPG, .BMP or .PNG in any letter case),
    // sorted; a folder without any (or missing) leaves the list as it was.
    void FillList();
    // Chooses the listed picture with that caption; false when none is listed so.
    bool Select(const QString& caption);

    QTreeWidget* ImageList = nullptr; // one column "Image Files"
    QFrame* Panel3 = nullptr;         // white, behind the preview
    TGDIPPanel* ImagePreview = nullptr;
    QFrame* Panel4 = nullptr;         // zoom, size and the Background box
    QLabel* Lab_Zoom = nullptr;
    QLabel* Lab_Size = nullptr;
    QCheckBox* Check_Background = nullptr; // "Background"
    QPushButton* btRefresh = nullptr;      // "&Refresh"
    QPushButton* btOK = nullptr;           // "&OK": only with a picture
    QPushButton* btCancel = nullptr;       // "&Cancel"

    // The caption of the list's only row while no picture was ever found.
    static constexpr const char* NoImage = "(no image)";

protected:
    // Follows the preview's size with the zoom label.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ImageListSelectItem();
    void UpdateInfo();
    void ZoomFactor();
    void Paint(gfx::Graphics& g);
    void ClearPicture();

    QString FFileName;
    QString FFolder;
    std::unique_ptr<gfx::Bitmap> FPicture;
};

} // namespace zov
