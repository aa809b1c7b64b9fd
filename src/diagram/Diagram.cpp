#include "diagram/Diagram.h"

#include "diagram/DiagramHost.h"
#include "model/Objet.h"
#include "model/Settings.h"
#include "plat/gfx/Graphics.h"
#include "plat/rt/Errors.h"
#include "plat/rt/Numeric.h"
#include "plat/sys/Trace.h"
#include "plat/sys/UserName.h"

#include <QDate>

namespace zov {

std::string DefaultEmail;

TBoatList::~TBoatList()
{
    while (!m_items.empty())
        m_items.pop_back();
}

TDiagram::TDiagram(DiagramHost* host, DrawingOptions options)
    : m_host(host)
    , m_drawing(options)
{
    // The defaults are the member initialisers: wind 90, layline angle 45, zone radius 3,
    // grid, tracks and laylines shown, extent (-1000, -1000, 3000, 3000), zone and view
    // (0, 0, 1000, 1000), zoom 1, edit mode, play until the last step.
}

TDiagram::~TDiagram()
{
    FBackGraphics.reset(); // the painter goes before its picture
    // Undo records first (a delete record owns its object), then the forest.
    ClearUndoStack();
    FBoatList.reset();
    if (FRoot) {
        CurrentDiagramScope scope(this); // destroyed objects clear this diagram's references
        TObjet* root = FRoot;
        FRoot = nullptr;
        root->FreeTree();
    }
    if (Diagram == this)
        Diagram = nullptr;
}

void TDiagram::SetClientSize(std::int32_t width, std::int32_t height)
{
    m_clientWidth = width;
    m_clientHeight = height;
    FormResize();
}

void TDiagram::ResetHeader(std::int16_t situationType)
{
    FHeader.SituationType = situationType;
    SetField(FHeader.Date, QDate::currentDate().toString(ShortDateFormat()).toStdString().substr(0, 14));
    SetField(FHeader.Author, UserLoginName());
    SetField(FEmail, DefaultEmail);
    FHeader.Rules.fill(0);
    FHeader.Description.fill(0);
    FLaylineAngle = 45;
    if (m_host)
        m_host->SetFocus(); // a hidden diagram cannot take the focus; that is fine
}

// ---------------------------------------------------------------------------------------------
// Selection and removal

void TDiagram::RemoveObject(TObjet* obj, bool freeIt)
{
    ZOV_ASSERT(obj != nullptr, "Remove of a nil object", "Rules8");
    if (obj->FUnlinked)
        return; // already taken out: a second removal would hand it to two owners
    if (!freeIt) {
        CurrentDiagramScope scope(this); // the record notes what this diagram holds of the object
        PushUndo<TActionDelete>(obj);
    }
    if (obj == FBackground)
        FBackground = nullptr;
    if (obj == FCommittee)
        FCommittee = nullptr;
    if (obj == FFirstMark)
        FFirstMark = nullptr;
    TObjet* n = obj->FNext;
    const bool closesGap = RemovalClosesGap(obj);
    if (obj == FRoot) {
        if (n) {
            n->AppendSibling(obj->FSibling);
            FRoot = n;
        } else
            FRoot = obj->FSibling;
        if (FRoot)
            FRoot->FPrev = nullptr;
        obj->FUnlinked = 1;
    } else
        obj->Unlink();
    const bool wasHovered = obj == FHovered;
    const bool wasSelected = obj == FSelected;
    if (freeIt) {
        obj->FNext = obj->FSibling = nullptr;
        CurrentDiagramScope scope(this);
        delete obj;
    }
    FModified = 1;
    if (auto* boat = dynamic_cast<TBateau*>(n)) {
        if (boat->IsHead())
            boat->FTrackVisible = 0;
        else
            boat->CourbeSetup();
        // The later steps close the gap the removed step leaves in the numbering.
        if (closesGap)
            for (TObjet* o = n; o; o = o->FNext)
                --o->FSituation;
    }
    if (wasHovered)
        FHovered = nullptr;
    if (!wasSelected) {
        Redraw();
        Repaint();
    } else
        SetSelected(nullptr);
}

} // namespace zov
