#pragma once
// What the diagram tests share: a diagram's objects in walk order, and the messages the file
// operations show the user.

#include "diagram/Diagram.h"
#include "diagram/DiagramFile.h"
#include "model/Objet.h"

#include <string>
#include <vector>

namespace zovtest {

// The objects of D in walk order; a walk that runs past a million objects is a loop, and stops.
inline std::vector<zov::TObjet*> walk(const zov::TDiagram& d)
{
    std::vector<zov::TObjet*> out;
    for (zov::TObjet* o = d.FRoot; o && out.size() < 1000000; o = o->NextInWalk())
        out.push_back(o);
    return out;
}

// Catches what the file operations show the user, for one scope.
struct FileMessages {
    std::vector<std::string> shown;
    FileMessages()
    {
        zov::SetFileMessageHandler([this](const std::string& m) { shown.push_back(m); });
    }
    ~FileMessages() { zov::SetFileMessageHandler(nullptr); }
};

} // namespace zovtest
