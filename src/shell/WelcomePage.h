#pragma once
// The page of the "Welcome" tab: a picture of each of the eight new-diagram templates, to be
// clicked to start a new diagram, and thumbnails of up to four recently used diagrams, to be
// clicked to open one. The page only shows and reports clicks; the main window acts on them.

#include <QScrollArea>
#include <QStringList>

#include <array>
#include <functional>

class QLabel;

namespace zov {

class WelcomePicture;

class WelcomePage : public QScrollArea {
public:
    explicit WelcomePage(QWidget* parent = nullptr);
    ~WelcomePage() override;

    static constexpr int TemplateCount = 8;
    static constexpr int ThumbnailCount = 4;
    // The size of every picture on the page.
    static constexpr int PictureWidth = 238;
    static constexpr int PictureHeight = 162;

    // The caption under which template I (0 to 7) is shown: "Starting area" ... "Empty area".
    static QString TemplateCaption(int i);

    // Shows up to four of Files (full paths without extension, newest first) as thumbnails.
    // A file that cannot be read gets no thumbnail: the next one takes its place, and
    // OnRecentFileDropped names it once the page is updated.
    void SetRecentFiles(const QStringList& files);
    // The files that have a thumbnail now, in the page's order.
    const QStringList& RecentFiles() const { return m_recent; }

    // A click on template I's picture, I in the order Starting area, Windward finishing area,
    // Leeward finishing area, Windward mark, Leeward mark, Leeward gate, Full area, Empty area.
    std::function<void(int templateIndex)> OnTemplate;
    // A click on a thumbnail, with its file (as given to SetRecentFiles).
    std::function<void(const QString& file)> OnRecentFile;
    // A recent file that could not be read for its thumbnail.
    std::function<void(const QString& file)> OnRecentFileDropped;

    // The page's parts (for the main window's checks and for tests).
    QWidget* PanelZ = nullptr;
    QLabel* TemplateImage(int i) const;
    QWidget* TemplatePanel(int i) const;
    QLabel* ThumbnailImage(int i) const;
    QLabel* ThumbnailLabel(int i) const;
    QWidget* ThumbnailPanel(int i) const;
    // The panel under the pointer, drawn red, or none.
    QWidget* HotPanel() const { return m_hot; }

    // Renders the template previews again (they are made once when the page is built).
    void BuildTemplatePreviews();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class WelcomePicture;
    void SetHot(QWidget* panel);
    void Clicked(WelcomePicture* picture);
    void CentrePage();

    QWidget* m_content = nullptr;
    std::array<WelcomePicture*, TemplateCount> m_templates {};
    std::array<WelcomePicture*, ThumbnailCount> m_thumbnails {};
    std::array<QLabel*, ThumbnailCount> m_thumbnailLabels {};
    QStringList m_recent;
    QWidget* m_hot = nullptr;
};

} // namespace zov
