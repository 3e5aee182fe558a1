// Code page 950 as this system converts it: MultiByteToWideChar and
// WideCharToMultiByte with code page 950, strict in both directions.
#pragma once

#include "claim_check.h"

namespace claimcheck {

class SystemBig5 : public Big5CodePage {
public:
    // False when the system has no code page 950.
    static bool Available();

    bool IsLeadByte(uint8_t b) const override;
    bool ToUnicode(const uint8_t* bytes, size_t length, uint16_t& unit) const override;
    bool FromUnicode(uint32_t codePoint, std::string& out) const override;
};

}  // namespace claimcheck
