#include "plat/sys/Trace.h"

#include "plat/rt/Errors.h"

#include <QTime>

#include <cerrno>
#include <cstdio>
#include <mutex>

namespace zov {

bool DebugMode = false;

namespace {
std::mutex traceMutex; // the update thread may trace too
std::FILE* traceFile = nullptr;

void writeLocked(const std::string& line)
{
    if (!traceFile)
        return;
    if (std::fputs(line.c_str(), traceFile) < 0 || std::fputc('\n', traceFile) == EOF || std::fflush(traceFile) != 0)
        throw rt::IoError("Cannot write the trace file", errno);
}
} // namespace

void TraceOpen(const std::string& path)
{
    std::lock_guard lock(traceMutex);
    if (traceFile)
        std::fclose(traceFile);
    traceFile = std::fopen(path.c_str(), "w");
    if (!traceFile)
        throw rt::IoError("Cannot create the trace file " + path, errno);
}

void TraceClose()
{
    std::lock_guard lock(traceMutex);
    if (!traceFile)
        return;
    if (DebugMode)
        writeLocked("Trace closed");
    std::fclose(traceFile);
    traceFile = nullptr;
}

bool TraceIsOpen()
{
    std::lock_guard lock(traceMutex);
    return traceFile != nullptr;
}

void Trace(const std::string& message)
{
    if (!DebugMode)
        return;
    std::lock_guard lock(traceMutex);
    writeLocked(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")).toStdString() + " " + message);
}

void TraceLine(const std::string& text)
{
    if (!DebugMode)
        return;
    std::lock_guard lock(traceMutex);
    writeLocked(text);
}

} // namespace zov
