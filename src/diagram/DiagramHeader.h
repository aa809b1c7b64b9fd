#pragma once
// The diagram's header: fixed-width, zero-terminated 8-bit text fields, stored as is in the file.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace zov {

// Situation types of the header.
enum SituationType : std::int16_t {
    stNone = 0,
    stStartingArea = 1,
    stFinishingLine = 2,
    stWindwardMark = 3,
    stLeewardMark = 4,
    stBeat = 5,
    stRun = 6,
    stGate = 7,
};

struct TDiagramHeader {
    std::int16_t SituationType = 0;
    std::array<char, 20> Rules {};
    std::array<char, 2> Reserved {}; // kept as read
    std::array<char, 10> CaseCall {};
    std::array<char, 50> Author {};
    std::array<char, 80> Description {};
    std::array<char, 15> Date {};

    static constexpr int ByteSize = 179;
};

// Copies Text into a fixed field, cut to the width minus one, zero-filled after it.
template <std::size_t N> void SetField(std::array<char, N>& field, std::string_view text)
{
    field.fill(0);
    const std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
    for (std::size_t i = 0; i < n; ++i)
        field[i] = text[i];
}

// The text of a fixed field up to its first zero byte, never past its width.
template <std::size_t N> std::string FieldText(const std::array<char, N>& field)
{
    std::size_t n = 0;
    while (n < N && field[n] != 0)
        ++n;
    return std::string(field.data(), n);
}

} // namespace zov
