// Code page 950 for the native runs of the checker's core tests: exactly the
// characters the tests use, with the system's values, and the user-defined
// areas mapped to the private-use area as Windows maps them. Any other pair
// counts as invalid, so a test that needs another character fails natively
// until it is added here.
#include "CodePage950.h"

#include <cstdint>
#include <string>

namespace {

struct Pair {
    uint16_t big5;
    uint16_t unit;
};

const Pair kCharacters[] = {
    {0xA1E3, 0xFF5E},  // ～ full-width tilde
    {0xB943, 0x904A},  // 遊
    {0xC0B8, 0x6232},  // 戲
    {0xC4A1, 0x7E82},  // 纂 (also valid UTF-8 as two bytes)
};

// The user-defined areas, each in the order of its lead and trail bytes, and
// the private-use unit of its first character.
struct UserArea {
    uint8_t firstLead;
    uint8_t lastLead;
    uint16_t firstUnit;
};

const UserArea kUserAreas[] = {
    {0xFA, 0xFE, 0xE000},
    {0x8E, 0xA0, 0xE311},
    {0x81, 0x8D, 0xEEB8},
};

bool IsTrailByte(uint8_t b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0xA1 && b <= 0xFE); }

// The trail byte's place among the 157 of a lead byte.
int TrailIndex(uint8_t b) { return b <= 0x7E ? b - 0x40 : b - 0xA1 + 63; }

class TableBig5 : public claimcheck::Big5CodePage {
public:
    bool IsLeadByte(uint8_t b) const override { return b >= 0x81 && b <= 0xFE; }

    bool ToUnicode(const uint8_t* bytes, size_t length, uint16_t& unit) const override
    {
        // Single bytes: ASCII and 0x80 read as themselves, 0xFF is no character.
        if (length == 1) {
            unit = bytes[0];
            return bytes[0] <= 0x80;
        }
        if (length != 2 || !IsLeadByte(bytes[0]) || !IsTrailByte(bytes[1]))
            return false;
        const uint16_t big5 = static_cast<uint16_t>(bytes[0] << 8 | bytes[1]);
        for (const Pair& p : kCharacters) {
            if (p.big5 == big5) {
                unit = p.unit;
                return true;
            }
        }
        for (const UserArea& area : kUserAreas) {
            if (bytes[0] >= area.firstLead && bytes[0] <= area.lastLead) {
                unit = static_cast<uint16_t>(area.firstUnit + (bytes[0] - area.firstLead) * 157 + TrailIndex(bytes[1]));
                return true;
            }
        }
        return false;
    }

    bool FromUnicode(uint32_t codePoint, std::string& out) const override
    {
        if (codePoint < 0x80) {
            out += static_cast<char>(codePoint);
            return true;
        }
        for (const Pair& p : kCharacters) {
            if (p.unit == codePoint) {
                out += static_cast<char>(p.big5 >> 8);
                out += static_cast<char>(p.big5 & 0xFF);
                return true;
            }
        }
        return false;
    }
};

} // namespace

const claimcheck::Big5CodePage& CodePage950()
{
    static const TableBig5 s_table;
    return s_table;
}
