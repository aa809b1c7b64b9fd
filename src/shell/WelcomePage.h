#pragma once
// The page of the "Welcome" tab: a picture of each of the eight new-diagram templates, to be
// clicked to start a new diagram, and thumbnails of up to four recently used diagrams, to be
// clicked to open one. The page only shows and reports clicks; the main window acts on them.

#include <QImage>
#include <QScrollArea>
#include <QStringList>

#include <array>
#include <functional>
#include <future>
#include <vector>

class QLabel;
class QPixmap;

namespace zov {

class TDiagram;
class WelcomePicture;

// One thumbnail of the welcome page: the picture of a recently used diagram, with the bare file
// name above it. Empty while it names no file; once filled it only changes hands along the row.
class TThumbnail {
public:
    TThumbnail(QLabel* image, QLabel* label);

    // Reads FileName (full path without extension) into a diagram of its own and shows its
    // picture. False, with nothing shown and no message, when the file cannot be read for any
    // reason; the program's current diagram is never touched.
    bool LoadFile(const QString& fileName);
    // Shows Diagram (the one just opened or saved) as the picture of FileName; the diagram's
    // selection and mode stay as they are.
    void ShowCurrentDiagram(TDiagram& diagram, const QString& fileName);
    // Shows Picture for FileName.
    void ShowPicture(const QPixmap& picture, const QString& fileName);
    // Takes over the caption, picture and file of Other.
    void TakeOver(const TThumbnail& other);
    // Back to empty and hidden.
    void Clear();

    bool Empty() const { return m_file.isEmpty(); }
    // The file shown (full path without extension), empty when none.
    const QString& File() const { return m_file; }

    QLabel* FImage; // the picture; its tool tip names the file
    QLabel* FLabel; // the bare file name

private:
    QString m_file;
};

class WelcomePage : public QScrollArea {
public:
    static constexpr int TemplateCount = 8;

    // The template previews while another thread draws them. Letting go of them waits for the
    // drawing to end.
    class Previews {
    public:
        Previews() = default;
        Previews(Previews&& other) noexcept = default;
        Previews& operator=(Previews&& other) noexcept;
        ~Previews();
        bool Started() const { return m_pictures.valid(); }
        // Waits for the pictures; a picture that could not be drawn is null.
        std::array<QImage, TemplateCount> Take();

    private:
        friend class WelcomePage;
        std::future<std::array<QImage, TemplateCount>> m_pictures;
    };
    // Begins drawing the template previews.
    static Previews StartTemplatePreviews();

    // A page given previews under way shows them once ShowTemplatePreviews is called; a page given
    // none draws them at once.
    explicit WelcomePage(QWidget* parent = nullptr, Previews previews = {});
    ~WelcomePage() override;

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
    QStringList RecentFiles() const;

    // FileName (full path without extension) has just been opened or saved, as Diagram when
    // given: it takes the first thumbnail, drawn from Diagram as it stands, or read from the file
    // without one. The thumbnail that showed it before, or
    // the fourth when none did, goes; the ones before it move one place on.
    void AddRecentFile(const QString& fileName, TDiagram* diagram = nullptr);
    // The thumbnail that shows FileName goes, the later ones move up one place.
    void RemoveRecentFile(const QString& fileName);

    // Whether two recent-file names denote the same file (the letter case counts only where the
    // file system tells names apart by it).
    static bool SameFile(const QString& a, const QString& b);

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
    // Thumbnail I (0 to 3), or none.
    TThumbnail* Thumbnail(int i);
    // The panel under the pointer, drawn red, or none.
    QWidget* HotPanel() const { return m_hot; }

    // Renders the template previews again (they are made once when the page is built).
    void BuildTemplatePreviews();
    // Puts the previews the page was given in place, once they are drawn.
    void ShowTemplatePreviews();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class WelcomePicture;
    void SetHot(QWidget* panel);
    void Clicked(WelcomePicture* picture);
    void CentrePage();

    QWidget* m_content = nullptr;
    std::array<WelcomePicture*, TemplateCount> m_templates {};
    Previews m_previews;
    std::vector<TThumbnail> m_thumbnails;
    QWidget* m_hot = nullptr;
};

} // namespace zov
