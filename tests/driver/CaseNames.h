// Names for the cases of parameterised tests, made from each case's trace
// text, so that a failing case names itself: "a thread that lives on" gives
// "AThreadThatLivesOn". Every case struct keeps its trace in 'trace'.
#pragma once
#include <gtest/gtest.h>
#include <cctype>
#include <string>

inline std::string CaseNameFrom(const char* trace)
{
    std::string name;
    bool bWordStart = true;
    for (const char* p = trace; *p != '\0'; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (std::isalnum(c)) {
            name += bWordStart ? static_cast<char>(std::toupper(c)) : static_cast<char>(c);
            bWordStart = false;
        } else {
            bWordStart = true;
        }
    }
    return name;
}

struct NameCaseByTrace {
    template <class Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& info) const
    {
        return CaseNameFrom(info.param.trace);
    }
};
