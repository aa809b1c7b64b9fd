#pragma once
// The file round trip of LoadSaveLoad.h as test expectations.

#include "support/LoadSaveLoad.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zovtest {

// Loads Bytes, saves what was read and loads that again: both loads must describe alike, the
// second must read the whole file, and the second save must repeat the first byte for byte.
// Returns what the first load describes.
inline std::string ExpectLoadSaveLoad(const std::vector<std::uint8_t>& bytes)
{
    const RoundTrip r = LoadSaveLoad(bytes.data(), bytes.size());
    if (!r.loaded) {
        ADD_FAILURE() << "the file does not load";
        return {};
    }
    EXPECT_EQ(r.fault, "");
    return r.described;
}

// Writes D as a file and checks the round trip of that file; returns the bytes written.
inline std::vector<std::uint8_t> ExpectRoundTrip(zov::TDiagram& d)
{
    std::vector<std::uint8_t> bytes = SavedBytes(d);
    ExpectLoadSaveLoad(bytes);
    return bytes;
}

} // namespace zovtest
