#include "system_big5.h"

#include <windows.h>

#include <cstring>

namespace claimcheck {

namespace {
const UINT kBig5 = 950;
}

bool SystemBig5::Available() { return ::IsValidCodePage(kBig5) != FALSE; }

bool SystemBig5::IsLeadByte(uint8_t b) const { return ::IsDBCSLeadByteEx(kBig5, b) != FALSE; }

bool SystemBig5::ToUnicode(const uint8_t* bytes, size_t length, uint16_t& unit) const
{
    WCHAR wide[2];
    const int n = ::MultiByteToWideChar(kBig5, MB_ERR_INVALID_CHARS, reinterpret_cast<const char*>(bytes),
                                        static_cast<int>(length), wide, 2);
    if (n != 1)
        return false;
    unit = wide[0];
    return true;
}

bool SystemBig5::FromUnicode(uint32_t codePoint, std::string& out) const
{
    WCHAR wide[2];
    int units = 1;
    if (codePoint >= 0x10000) {
        wide[0] = static_cast<WCHAR>(0xD800 + ((codePoint - 0x10000) >> 10));
        wide[1] = static_cast<WCHAR>(0xDC00 + ((codePoint - 0x10000) & 0x3FF));
        units = 2;
    } else {
        wide[0] = static_cast<WCHAR>(codePoint);
    }
    char big5[8];
    BOOL usedDefault = FALSE;
    const int n = ::WideCharToMultiByte(kBig5, WC_NO_BEST_FIT_CHARS, wide, units, big5, sizeof(big5), nullptr,
                                        &usedDefault);
    if (n <= 0 || usedDefault)
        return false;
    // Only a form that reads back as the same character counts.
    WCHAR back[4];
    if (::MultiByteToWideChar(kBig5, MB_ERR_INVALID_CHARS, big5, n, back, 4) != units ||
        std::memcmp(back, wide, units * sizeof(WCHAR)) != 0)
        return false;
    out.append(big5, n);
    return true;
}

}  // namespace claimcheck
