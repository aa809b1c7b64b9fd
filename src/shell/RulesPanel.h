#pragma once
// The tool window "Rules that apply": the rows of ListRules for a diagram, one step group after
// the other. It reads the diagram only when refreshed; editing does not refresh it.

#include <QWidget>

#include <string>

class QFrame;
class QTreeWidget;

namespace zov {

class DiagramLink;
class TObjet;
struct RulesListing;

class TRulesPanel : public QWidget {
public:
    // Parent: the main window, above which the panel stays as a tool window.
    explicit TRulesPanel(QWidget* parent = nullptr);

    // The diagram Refresh() reads; none (the default) follows the current diagram.
    void SetDiagram(DiagramLink* diagram) { m_diagram = diagram; }
    // The diagram Refresh() would read now, or none.
    DiagramLink* RefreshedDiagram() const;

    // Lists the rules of the diagram's forest. With fewer than two racing boats it shows
    // "2 boats needed" and keeps the rows it had. An error that ends the list (Blue and Yellow
    // at different step numbers) is reported; the rows before it stay.
    void Refresh();
    // The same for the top-level chain from First, with the current diagram's settings.
    void Refresh(const TObjet* first);
    // When the selection is cleared: refreshes only a panel on screen.
    void RefreshIfVisible();

    // Appends one row; the comment column stays empty when Comment is.
    void AddRule(const std::string& rule, const std::string& comment);

    QTreeWidget* ListView1 = nullptr; // columns "Rules" and "Comments"
    QFrame* Panel1 = nullptr;         // the empty strip along the bottom

private:
    void ShowListing(const RulesListing& listing);

    DiagramLink* m_diagram = nullptr;
};

} // namespace zov
