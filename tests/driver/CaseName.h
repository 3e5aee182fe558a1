// Names for the cases of parameterised tests, made from each row's trace:
// its letters and digits, each word capitalised ("one character short" gives
// OneCharacterShort), so that a failing case names itself.
#pragma once
#include <gtest/gtest.h>
#include <cctype>
#include <string>

inline std::string CaseName(const char* trace)
{
    std::string name;
    bool bWordStart = true;
    for (const char* p = trace; *p != '\0'; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (!std::isalnum(c)) {
            bWordStart = true;
            continue;
        }
        name += bWordStart ? static_cast<char>(std::toupper(c)) : static_cast<char>(c);
        bWordStart = false;
    }
    return name;
}

// For INSTANTIATE_TEST_SUITE_P over rows that have a trace.
struct TraceName {
    template <class Row>
    std::string operator()(const ::testing::TestParamInfo<Row>& info) const
    {
        return CaseName(info.param.trace);
    }
};
