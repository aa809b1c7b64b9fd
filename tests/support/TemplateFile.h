#pragma once
// Writes a diagram file made from one of the templates, for tests that open files.

#include "diagram/Diagram.h"
#include "support/RoundTrip.h"

#include <QString>

namespace zovtest {

// Name is the path without extension; true when the file was written. What was written also
// goes through the load -> save -> load round trip.
inline bool SaveTemplateFile(void (zov::TDiagram::*make)(), const QString& name)
{
    zov::TDiagram d;
    (d.*make)();
    d.FFileName = name.toStdString();
    const bool saved = d.SaveToFile();
    ExpectRoundTrip(d);
    return saved;
}

} // namespace zovtest
