#include "plat_ui/ErrorReport.h"

#include <QtGlobal>

namespace zov {

namespace {
ErrorReporter& reporter()
{
    static ErrorReporter current;
    return current;
}
} // namespace

void ReportError(const std::exception& e)
{
    if (reporter())
        reporter()(e);
    else
        qWarning("%s", e.what());
}

void SetErrorReporter(ErrorReporter r)
{
    reporter() = std::move(r);
}

} // namespace zov
