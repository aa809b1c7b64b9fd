#pragma once
// Puts a main window on the offscreen screen for a test, with no recent files listed.

#include "diagram/Diagram.h"
#include "model/Objet.h"
#include "shell/MainWindow.h"
#include "shell/Settings.h"

#include <QStringList>
#include <QTabBar>
#include <QTest>

#include <gtest/gtest.h>

inline void ShowMainWindowForTest(zov::TZovForm& window)
{
    for (QString& file : zov::RecentFiles)
        file.clear();
    window.resize(900, 600);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        ADD_FAILURE() << "the main window was not shown";
}

// The captions of the window's tabs, "Welcome" first.
inline QStringList TabCaptions(const zov::TZovForm& window)
{
    QStringList out;
    for (int i = 0; i < window.TabControl->count(); ++i)
        out << window.TabControl->tabText(i);
    return out;
}

// Each top-level racing boat sails on, straight ahead of its first place, up to step LastStep.
inline void SailOnToStep(zov::TDiagram& d, int lastStep)
{
    zov::CurrentDiagramScope current(&d);
    for (zov::TObjet* o = d.FRoot; o; o = o->FSibling) {
        if (!dynamic_cast<zov::TBateauCourse*>(o))
            continue;
        zov::TObjet* last = o;
        while (last->FNext)
            last = last->FNext;
        for (int step = last->FSituation + 1; step <= lastStep; ++step) {
            auto* next = new zov::TBateauCourse({ last->FX, last->FY - 60 }, last->FHeading, 1, 0, 0);
            next->FSituation = step;
            last->AddNext(next);
            last = next;
        }
    }
    d.Redraw();
}
