#include "diagram/Diagram.h"

#include "diagram/DiagramHost.h"
#include "model/Objet.h"
#include "model/Settings.h"
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

TDiagram::TDiagram(DiagramHost* host)
    : m_host(host)
{
    // The defaults are the member initialisers: wind 90, layline angle 45, zone radius 3,
    // grid, tracks and laylines shown, extent (-1000, -1000, 3000, 3000), zone and view
    // (0, 0, 1000, 1000), zoom 1, edit mode, play until the last step.
}

TDiagram::~TDiagram()
{
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
// View

void TDiagram::SetZoom(float factor)
{
    FHovered = nullptr;
    if (factor != 0.0f) {
        FZoom = FZoom * factor;
        NewDisplay();
        Repaint();
    } else if (FRoot) {
        ComputeOccupiedZone();
        ZoomToFit();
    }
}

void TDiagram::ZoomToFit()
{
    Trace("Dessiner zone occupee");
    FFitted = 1;
    FCentre = { FZone.x + FZone.w / 2, FZone.y + FZone.h / 2 };
    const float zx = float(ClientWidth()) / float(FZone.w);
    const float zy = float(ClientHeight()) / float(FZone.h);
    FZoom = zx < zy ? zx : zy;
    Trace("Zoc W1:" + std::to_string(ClientWidth()) + " W2:" + std::to_string(FZone.w));
    Trace("Zoc H1:" + std::to_string(ClientHeight()) + " H2:" + std::to_string(FZone.h));
    NewDisplay();
    if (DebugMode) {
        char line[64];
        std::snprintf(line, sizeof line, "Centre.X: %5d", FCentre.x);
        TraceLine(line);
        std::snprintf(line, sizeof line, "Centre.Y: %5d", FCentre.y);
        TraceLine(line);
        std::snprintf(line, sizeof line, "New zoom: %7.3f", double(FZoom));
        TraceLine(line);
    }
    Repaint();
}

void TDiagram::NewDisplay()
{
    FScrollRangeH = rt::RoundI32(FExtent.w * double(FZoom));
    FScrollRangeV = rt::RoundI32(FExtent.h * double(FZoom));
    FView.x = FCentre.x - rt::RoundI32((ClientWidth() / 2) / double(FZoom));
    FView.y = FCentre.y - rt::RoundI32((ClientHeight() / 2) / double(FZoom));
    FView.w = rt::RoundI32(ClientWidth() / double(FZoom));
    FView.h = rt::RoundI32(ClientHeight() / double(FZoom));
    Trace("NewDisplay X=" + std::to_string(FView.x) + " Y=" + std::to_string(FView.y));
    FScrollPosH = rt::RoundI32((FView.x - FExtent.x) * double(FZoom));
    FScrollPosV = rt::RoundI32((FView.y - FExtent.y) * double(FZoom));
    if (m_host)
        m_host->ScrollBarsChanged();
    Redraw();
}

void TDiagram::ComputeOccupiedZone()
{
    if (!FRoot) {
        FZone = { -500, -500, 2000, 2000 };
        return;
    }
    std::int64_t minX = INT32_MAX, minY = INT32_MAX, maxX = -INT32_MAX, maxY = -INT32_MAX;
    for (TObjet* o = FRoot; o; o = o->NextInWalk()) {
        if (o->FGenre >= gFactsFound && o->FGenre <= gSummary)
            continue;
        minX = std::min<std::int64_t>(minX, o->FBounds.x);
        minY = std::min<std::int64_t>(minY, o->FBounds.y);
        maxX = std::max<std::int64_t>(maxX, std::int64_t(o->FBounds.x) + o->FBounds.w);
        maxY = std::max<std::int64_t>(maxY, std::int64_t(o->FBounds.y) + o->FBounds.h);
    }
    if (!FBackground) {
        if (minX > maxX || minY > maxY)
            FZone = { -500, -500, 2000, 2000 }; // only document texts: nothing occupies the sea
        else
            FZone = { std::int32_t(minX - 90), std::int32_t(minY - 90), std::int32_t(maxX - minX + 180),
                std::int32_t(maxY - minY + 180) };
    }
    FExtent = { FZone.x - 500, FZone.y - 500, FZone.w + 1000, FZone.h + 1000 };
}

void TDiagram::FormResize()
{
    if (ClientWidth() == 0 || ClientHeight() == 0)
        return;
    if (FLastWidth != 0)
        FZoom = ClientWidth() * FZoom / FLastWidth;
    FLastWidth = rt::checked<std::uint16_t>(ClientWidth());
    Trace("NewSize  W=" + std::to_string(ClientWidth()) + " H=" + std::to_string(ClientHeight()));
    FBackBitmap = std::make_unique<gfx::Bitmap>(ClientWidth(), ClientHeight());
    NewDisplay();
    if (FFitted)
        Repaint();
}

void TDiagram::Redraw()
{
    // The static picture is rendered by the view; nothing is drawn until objects can draw.
}

void TDiagram::Repaint()
{
    if (m_host)
        m_host->Repaint();
}

// ---------------------------------------------------------------------------------------------
// Selection and removal

void TDiagram::SetSelected(TObjet* obj)
{
    if (obj == FSelected)
        return;
    FSelected = obj;
    if (!obj)
        FEditState = esFree;
    else if (IsText(obj))
        FEditState = esFree;
    FHovered = nullptr;
    Redraw();
    Repaint();
}

void TDiagram::RemoveObject(TObjet* obj, bool freeIt)
{
    ZOV_ASSERT(obj != nullptr, "Remove of a nil object", "Rules8");
    if (obj->FUnlinked)
        return; // already taken out: a second removal would hand it to two owners
    if (!freeIt)
        PushUndo<TActionDelete>(obj);
    if (obj == FBackground)
        FBackground = nullptr;
    if (obj == FCommittee)
        FCommittee = nullptr;
    if (obj == FFirstMark)
        FFirstMark = nullptr;
    TObjet* n = obj->FNext;
    const bool wasVisible = obj->FFlags & flVisible;
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
        if (wasVisible)
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
