// Helpers shared by the checker's tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "claim_check.h"
#include "CodePage950.h"

// A byte string from a literal, NUL bytes included.
template <size_t N>
std::string B(const char (&literal)[N])
{
    return std::string(literal, N - 1);
}

inline std::string Repeat(const std::string& s, size_t times)
{
    std::string out;
    for (size_t i = 0; i < times; ++i)
        out += s;
    return out;
}

// "遊戲" (game) in UTF-8 and in Big5.
const std::string kUtf8Game = B("\xE9\x81\x8A\xE6\x88\xB2");
const std::string kBig5Game = B("\xB9\x43\xC0\xB8");

struct Expected {
    claimcheck::Kind kind;
    uint64_t offset;
    uint32_t line;
};

inline const char* KindName(claimcheck::Kind kind)
{
    static const char* const names[] = {"Empty",       "TooLarge",    "LongLines",   "Utf16Bom", "Utf8Bom",
                                        "Utf8Text",    "InvalidUtf8", "InvalidBig5", "UserDefined", "Nul",
                                        "BareLf",      "BareCr",      "NoBig5Form",  "NulChar",  "OddUtf16"};
    return names[static_cast<int>(kind)];
}

inline std::string Describe(claimcheck::Kind kind, uint64_t offset, uint32_t line)
{
    return std::string(KindName(kind)) + " at byte " + std::to_string(offset) + " line " + std::to_string(line);
}

// Compares kinds, offsets and lines, in order.
inline void ExpectFindings(const std::vector<claimcheck::Finding>& actual, const std::vector<Expected>& expected)
{
    std::string a, e;
    for (const claimcheck::Finding& f : actual)
        a += Describe(f.kind, f.offset, f.line) + "; ";
    for (const Expected& x : expected)
        e += Describe(x.kind, x.offset, x.line) + "; ";
    EXPECT_EQ(a, e);
}
