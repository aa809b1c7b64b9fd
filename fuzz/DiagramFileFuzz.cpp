// libFuzzer target of the diagram reader: every input is read as a diagram file; whatever is read
// must be written, read back whole and written the same again (tests/support/LoadSaveLoad.h). A
// crash, a leak, a sanitizer report or a broken round trip is a finding.

#include "support/LoadSaveLoad.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Fonts and pictures need a GUI application object; the offscreen platform keeps it headless.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_diagram_file";
    static char* argv[] = { name, nullptr };
    static QGuiApplication app(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const zovtest::RoundTrip r = zovtest::LoadSaveLoad(data, size);
    if (!r.fault.empty()) {
        // The header fields hold zero bytes: shown as dots, the whole text reaches the log.
        std::string shown = r.fault;
        for (char& c : shown)
            if (c == '\0')
                c = '.';
        std::fprintf(stderr, "Round trip broken: %s\n", shown.c_str());
        std::abort();
    }
    return 0;
}
