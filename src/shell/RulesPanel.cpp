#include "shell/RulesPanel.h"

#include "model/DiagramLink.h"
#include "plat_ui/ColumnWidths.h"
#include "plat_ui/DialogHost.h"
#include "plat_ui/ErrorReport.h"
#include "shell/RulesAnalysis.h"

#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace zov {

namespace {

constexpr int PanelWidth = 416;
constexpr int PanelHeight = 750;
constexpr int RulesColumnWidth = 100;
constexpr int CommentsColumnWidth = 300;
constexpr int BottomPanelHeight = 50;

} // namespace

TRulesPanel::TRulesPanel(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(QStringLiteral("Rules that apply"));
    setObjectName(QStringLiteral("RulesPanel"));

    ListView1 = new QTreeWidget(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setColumnCount(2);
    ListView1->setHeaderLabels({ QStringLiteral("Rules"), QStringLiteral("Comments") });
    {
        // Told nothing of these widths, the hidden list does not lay itself out for them now:
        // it lays itself out when it first shows.
        const QSignalBlocker quiet(ListView1->header());
        ListView1->setColumnWidth(0, RulesColumnWidth);
        ListView1->setColumnWidth(1, CommentsColumnWidth);
        ListView1->header()->setStretchLastSection(false);
    }
    // A flat report: no tree decoration, no sorting, whole rows selected.
    ListView1->setRootIsDecorated(false);
    ListView1->setItemsExpandable(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setSortingEnabled(false);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(BottomPanelHeight);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ListView1, 1);
    layout->addWidget(Panel1);

    resize(PanelWidth, PanelHeight);
    // Centred on the screen; a screen too small for the panel keeps its title bar reachable.
    QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->availableGeometry();
        QPoint topLeft = area.center() - QPoint(PanelWidth / 2, PanelHeight / 2);
        topLeft.setX(std::max(topLeft.x(), area.left()));
        topLeft.setY(std::max(topLeft.y(), area.top()));
        move(topLeft);
    }
}

DiagramLink* TRulesPanel::RefreshedDiagram() const
{
    return m_diagram ? m_diagram : Diagram;
}

void TRulesPanel::Refresh()
{
    if (DiagramLink* diagram = RefreshedDiagram())
        ShowListing(ListRules(*diagram));
    else
        ShowListing(ListRules(nullptr));
}

void TRulesPanel::Refresh(const TObjet* first)
{
    ShowListing(ListRules(first));
}

void TRulesPanel::RefreshIfVisible()
{
    if (isVisible())
        Refresh();
}

void TRulesPanel::AddRule(const std::string& rule, const std::string& comment)
{
    auto* item = new QTreeWidgetItem(ListView1);
    item->setText(0, QString::fromStdString(rule));
    if (!comment.empty())
        item->setText(1, QString::fromStdString(comment));
}

void TRulesPanel::ShowListing(const RulesListing& listing)
{
    if (listing.twoBoatsNeeded) {
        // The rows of the last list stay under the message.
        ui::ShowMessage(QString::fromUtf8(TwoBoatsNeededText), isVisible() ? this : parentWidget());
        return;
    }
    ListView1->clear();
    for (const RuleRow& row : listing.rows)
        AddRule(row.rule, row.comment);
    ui::WidenColumnsToText(*ListView1, { RulesColumnWidth, CommentsColumnWidth });
    if (listing.failure) {
        try {
            std::rethrow_exception(listing.failure);
        } catch (const std::exception& e) {
            ReportError(e);
        }
    }
}

} // namespace zov
