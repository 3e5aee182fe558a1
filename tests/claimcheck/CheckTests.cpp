// The checker core against the system's code page 950: each finding on a
// crafted text with its exact offset and line, the size rules, and the texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CaseNames.h"
#include "CheckTestSupport.h"
#include "claim_layout.h"

using namespace claimcheck;

namespace {

struct CheckRow {
    const char* trace;
    std::string bytes;
    std::vector<Expected> expected;
};

void PrintTo(const CheckRow& row, std::ostream* os) { *os << row.trace; }

// n Chinese characters ("遊戲遊...") on one line.
std::string Chinese(size_t n) { return Repeat(kBig5Game, n / 2) + kBig5Game.substr(0, n % 2 * 2); }

std::vector<CheckRow> CheckRows()
{
    const std::string manyGames = Repeat(kUtf8Game, 16);  // 32 UTF-8 characters
    const std::vector<Expected> overBound = {{Kind::LongLines, 0, 1}};
    return {
        // The layout bound (69000000: characters squared, 16 a byte), from both sides.
        {"a line of 8290 characters is inside the layout bound", Chinese(8289) + "a", {}},
        {"a line of 8291 characters is over it", Chinese(8289) + "aa", overBound},
        {"CR line ends do not end the box's line, inside", Chinese(4096) + "\r" + Chinese(4192) + "a",
         {{Kind::BareCr, 8192, 1}}},
        {"CR line ends do not end the box's line, over", Chinese(4096) + "\r" + Chinese(4192) + "aa",
         {{Kind::LongLines, 0, 1}, {Kind::BareCr, 8192, 1}}},
        {"LF line ends do not end the box's line, inside", Chinese(4096) + "\n" + Chinese(4192) + "a",
         {{Kind::BareLf, 8192, 1}}},
        {"LF line ends do not end the box's line, over", Chinese(4096) + "\n" + Chinese(4192) + "aa",
         {{Kind::LongLines, 0, 1}, {Kind::BareLf, 8192, 1}}},
        {"259 tabs count as 8288 characters", std::string(259, '\t'), {}},
        {"260 tabs are over", std::string(260, '\t'), overBound},
        {"16650 short lines count 64 characters each", Repeat("a\r\n", 16650), {}},
        {"16651 short lines are over", Repeat("a\r\n", 16651), overBound},
        {"empty lines count only their bytes", B("\r\n\r\n") + Chinese(8289) + "a", {}},
        {"the box lays out nothing after the first NUL", B("a\0") + Chinese(9000), {{Kind::Nul, 1, 1}}},
        {"Big5 text with CR LF line ends", B("\xb9\x43\xc0\xb8\r\nOK\r\n"), {}},
        {"LF without CR", B("ab\ncd\r\nef"), {{Kind::BareLf, 2, 1}}},
        {"CR without LF", B("ab\rcd"), {{Kind::BareCr, 2, 1}}},
        {"CR CR LF", B("a\r\r\nb"), {{Kind::BareCr, 1, 1}}},
        {"a line end as the last byte shows nothing", B("a\n\n"), {{Kind::BareLf, 1, 1}}},
        {"every kind of line end counts as a line",
         B("a\r\nb\nc\rd\ne"),
         {{Kind::BareLf, 4, 2}, {Kind::BareCr, 6, 3}, {Kind::BareLf, 8, 4}}},
        {"NUL in the middle", B("ab\r\ncd\0ef\r\ngh"), {{Kind::Nul, 6, 2}}},
        {"nothing after the first NUL counts", B("ab\0\xff\nx"), {{Kind::Nul, 2, 1}}},
        {"NUL at the start", B("\0abc"), {{Kind::Nul, 0, 1}}},
        {"NUL bytes that only pad the end", B("ab\r\n\0\0"), {}},
        {"nothing but NUL bytes", B("\0\0"), {{Kind::Nul, 0, 1}}},
        {"UTF-8 mark on ASCII text", B("\xEF\xBB\xBFHello"), {{Kind::Utf8Bom, 0, 1}}},
        {"UTF-8 mark on UTF-8 text", B("\xEF\xBB\xBFOK ") + kUtf8Game,
         {{Kind::Utf8Bom, 0, 1}, {Kind::Utf8Text, 6, 1}}},
        {"UTF-8 text without a mark, DEL is ASCII", B("O\x7F\r\n") + kUtf8Game, {{Kind::Utf8Text, 4, 2}}},
        {"UTF-8 that also reads as Big5 is taken for Big5", B("\xC4\xA1"), {}},
        {"UTF-8 with one broken sequence among many", manyGames + B("\xE9\x81x"),
         {{Kind::Utf8Text, 0, 1}, {Kind::InvalidUtf8, 96, 1}}},
        {"U+0080 alone makes the text UTF-8", B("a\xC2\x80"), {{Kind::Utf8Text, 1, 1}}},
        {"UTF-8 of each length from its first character", manyGames + B("\xC2\x80\xE0\xA0\x80\xF0\x90\x80\x80"),
         {{Kind::Utf8Text, 0, 1}}},
        {"UTF-8 of each length to its last character", manyGames + B("\xDF\xBF\xEF\xBF\xBF\xF4\x8F\xBF\xBF"),
         {{Kind::Utf8Text, 0, 1}}},
        {"a bad start byte and three continuation bytes are one fault", manyGames + B("\xF5\x80\x80\x80x"),
         {{Kind::Utf8Text, 0, 1}, {Kind::InvalidUtf8, 96, 1}}},
        {"UTF-16 little-endian mark", B("\xFF\xFEH\0i\0"), {{Kind::Utf16Bom, 0, 1}, {Kind::Nul, 3, 1}}},
        {"UTF-16 big-endian mark", B("\xFE\xFF\0H\0i"), {{Kind::Utf16Bom, 0, 1}, {Kind::Nul, 2, 1}}},
        {"byte FF", B("a\xFF" "b"), {{Kind::InvalidBig5, 1, 1}}},
        {"lead byte with an invalid second byte", B("\r\n\xA4\x80z"), {{Kind::InvalidBig5, 2, 2}}},
        {"lead byte before CR LF", B("\xA4\r\nb"), {{Kind::InvalidBig5, 0, 1}}},
        {"lead byte at the end of the text", B("ab\xA4"), {{Kind::InvalidBig5, 2, 1}}},
        {"lead byte just before a NUL", B("ab\xA4\0c"), {{Kind::InvalidBig5, 2, 1}, {Kind::Nul, 3, 1}}},
        {"user-defined character", B("x\r\n\xFA\x40"), {{Kind::UserDefined, 3, 2}}},
        {"empty file", "", {{Kind::Empty, 0, 1}}},
    };
}

class CheckText : public ::testing::TestWithParam<CheckRow> {
};

// Each finding on a crafted text, at its exact offset and line.
TEST_P(CheckText, FindsEachProblemAtItsOffsetAndLine)
{
    const CheckRow& row = GetParam();
    const Report report = CheckClaim(row.bytes, row.bytes.size(), CodePage950());
    ExpectFindings(report.findings, row.expected);
    EXPECT_EQ(report.ShowsAsWritten(), row.expected.empty());
}

INSTANTIATE_TEST_SUITE_P(Check, CheckText, ::testing::ValuesIn(CheckRows()), NameCaseByTrace());

struct SizeRow {
    const char* trace;
    std::string head;
    uint64_t fileSize;
    uint64_t limit;
    std::vector<Expected> expected;
    uint64_t checked;  // the TooLarge finding's count of bytes checked
};

TEST(Check, FilesTooLargeToShowInFull)
{
    const uint64_t k4G = 1ull << 32;
    const SizeRow rows[] = {
        {"one byte over the limit", std::string(16, 'a'), 17, 16, {{Kind::TooLarge, 16, 1}}, 16},
        {"exactly the limit", std::string(16, 'a'), 16, 16, {}, 0},
        {"4 GiB and 5 bytes is too large, not 5 bytes", B("ab\r\nc") + std::string(11, 'a'), k4G + 5, 16,
         {{Kind::TooLarge, 16, 2}}, 16},
        {"exactly 4 GiB is too large, not empty", std::string(16, 'a'), k4G, 16, {{Kind::TooLarge, 16, 1}}, 16},
        {"a lead byte cut by the limit is no fault", std::string(15, 'a') + B("\xA4"), 20, 16,
         {{Kind::TooLarge, 16, 1}}, 16},
        {"a two-byte UTF-8 character cut by the limit", kUtf8Game + B("\xC3"), 8, 7,
         {{Kind::Utf8Text, 0, 1}, {Kind::TooLarge, 7, 1}}, 7},
        {"a four-byte UTF-8 character cut by the limit", kUtf8Game + B("\xF0\x9F\x98"), 10, 9,
         {{Kind::Utf8Text, 0, 1}, {Kind::TooLarge, 9, 1}}, 9},
        {"UTF-8 cut by the limit is still UTF-8", kUtf8Game + B("\xE9\x81"), 9, 8,
         {{Kind::Utf8Text, 0, 1}, {Kind::TooLarge, 8, 1}}, 8},
        {"the lowest two-byte lead cut by the limit", kUtf8Game + B("\xC2"), 8, 7,
         {{Kind::Utf8Text, 0, 1}, {Kind::TooLarge, 7, 1}}, 7},
        {"C1, below the lowest lead, at the limit is a fault", Repeat(kUtf8Game, 16) + B("\xC1"), 100, 97,
         {{Kind::Utf8Text, 0, 1}, {Kind::InvalidUtf8, 96, 1}, {Kind::TooLarge, 97, 1}}, 97},
        {"a whole but invalid sequence at the limit is a fault", Repeat(kUtf8Game, 16) + B("\xED\xA0\x80"), 100, 99,
         {{Kind::Utf8Text, 0, 1}, {Kind::InvalidUtf8, 96, 1}, {Kind::TooLarge, 99, 1}}, 99},
    };
    const Big5CodePage& big5 = CodePage950();
    for (const SizeRow& row : rows) {
        SCOPED_TRACE(row.trace);
        ASSERT_EQ(BytesToRead(row.fileSize, row.limit), row.head.size());
        const Report report = CheckClaim(row.head, row.fileSize, big5, row.limit);
        ExpectFindings(report.findings, row.expected);
        for (const Finding& f : report.findings) {
            if (f.kind == Kind::TooLarge) {
                EXPECT_EQ(f.value, row.checked);
            }
        }
    }
}

TEST(Check, LayoutCountsALeadByteFrom81ToFEAndTheNextAsOneCharacter)
{
    for (int b : {0x80, 0x81, 0xFE, 0xFF})
        EXPECT_EQ(b == 0x80 || b == 0xFF ? 128u : 64u, claimlayout::LineCharacters(std::string(128, char(b)).data(), 128)) << b;
}

// ---- Texts ------------------------------------------------------------------

TEST(Texts, FindingLinesSayWhereAndWhatThePlayerSees)
{
    const Big5CodePage& big5 = CodePage950();
    const uint64_t k4G = 1ull << 32;
    const struct {
        const char* trace;
        std::string head;
        uint64_t fileSize;
        uint64_t limit;
        std::string expected;  // the first finding's whole line, or a part of it for TooLarge
    } rows[] = {
        {"bare LF", B("ab\ncd"), 5, kShowLimit,
         "line 1, byte 2 (0x2): LF line end without CR: the box does not start a new line here: line 1 runs on "
         "into line 2."},
        {"NUL", B("ab\r\ncd\0ef\r\ngh"), 13, kShowLimit,
         "line 2, byte 6 (0x6): NUL byte: the text stops here; the player does not see the 7 bytes from here on "
         "(up to line 3)."},
        {"invalid pair before CR", std::string(255, 'a') + B("\xA4\r\n"), 258, kShowLimit,
         "line 1, byte 255 (0xFF): bytes A4 0D are not a valid Big5 character: the player sees a wrong "
         "character (such as ?) here, and the line break after it may be lost."},
        {"one invalid byte", B("a\xFF"), 2, kShowLimit,
         "line 1, byte 1 (0x1): byte FF is not a valid Big5 character: the player sees a wrong character (such as ?) "
         "here."},
        {"a lead byte at the very end", B("ab\xA4"), 3, kShowLimit,
         "line 1, byte 2 (0x2): byte A4 starts a two-byte Big5 character but the text ends after it: the last "
         "character is cut in half and shows as a wrong character (such as ?)."},
        {"UTF-8 mark", B("\xEF\xBB\xBFHi"), 5, kShowLimit,
         "line 1, byte 0 (0x0): UTF-8 byte-order mark (EF BB BF): the player sees stray characters at the start "
         "of the first line, and the characters after them may come out garbled."},
        {"user-defined character", B("\xFA\x40"), 2, kShowLimit,
         "line 1, byte 0 (0x0): bytes FA 40 are a user-defined character (private use U+E000): it shows as an "
         "empty box or a blank unless the player's system has a font made for it."},
        {"4 GiB and 5 bytes", std::string(16, 'a'), k4G + 5, 16,
         "file too large: 4294967301 bytes, over the game's cap of 16 bytes: the game reports the file as "
         "unreadable (\"Important file cannot be read!\") and shows no dialog. Only the first 16 bytes were "
         "checked."},
        {"over the limit", std::string(16, 'a'), 17, 16, "file too large: 17 bytes, over the game's cap of 16"},
        {"NUL at the very start", B("\0abc"), 4, kShowLimit, "line 1, byte 0 (0x0): NUL byte: the text stops here; "
         "the player does not see the 4 bytes from here on and the text box stays empty."},
        {"invalid pair before a bare LF", B("\xA4\nb"), 3, kShowLimit, "line 1, byte 0 (0x0): bytes A4 0A are not a "
         "valid Big5 character: the player sees a wrong character (such as ?) here, and the line break after it may "
         "be lost."},
        {"invalid pair inside a line", B("\xA4\x80z"), 3, kShowLimit, "line 1, byte 0 (0x0): bytes A4 80 are not a "
         "valid Big5 character: the player sees a wrong character (such as ?) here."},
        {"bare CR", B("a\rb"), 3, kShowLimit, "line 1, byte 1 (0x1): CR line end without LF: the box does not start "
         "a new line here: line 1 runs on into line 2."},
        {"UTF-16 mark", B("\xFF\xFE"), 2, kShowLimit, "line 1, byte 0 (0x0): UTF-16 byte-order mark (FF FE): the "
         "file is saved as UTF-16 (Unicode), not Big5; the text box shows almost nothing, as the first NUL byte "
         "ends the text."},
        {"UTF-8 text", "a" + kUtf8Game, 7, kShowLimit, "line 1, byte 1 (0x1): the text is saved as UTF-8 (Unicode), "
         "not Big5: from here on the player sees garbled characters in place of its 2 non-ASCII characters."},
        {"empty file", "", 0, kShowLimit, "line 1, byte 0 (0x0): the file is empty: the player sees an empty text box."},
        {"lines too long", B("x\r\n") + Chinese(8300), 16603, kShowLimit,
         "line 2, byte 3 (0x3): lines too long for the text box, which ends a line only at CR LF: the longest are "
         "line 2 (8300 characters), line 1 (64 characters); the squares of the line lengths (in characters, a tab "
         "as 32, a line as at least 64) and 16 for each byte add up to 69159744, over the game's bound of 69000000, "
         "so the game reports the file as unreadable (\"Important file cannot be read!\") and shows no dialog rather "
         "than keep the player waiting."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.trace);
        const Report report = CheckClaim(row.head, row.fileSize, big5, row.limit);
        ASSERT_FALSE(report.findings.empty());  // the first finding is the row's
        const std::string line = DescribeFinding(report.findings[0], report);
        if (report.findings[0].kind == Kind::TooLarge) {
            EXPECT_NE(line.find(row.expected), std::string::npos) << line;
        } else {
            EXPECT_EQ(line, row.expected);
        }
    }
}

TEST(Texts, ReportListsTenOfAKindUnlessAskedForAll)
{
    const Big5CodePage& big5 = CodePage950();
    const std::string text = Repeat("a\n", 12) + "z";
    const Report report = CheckClaim(text, text.size(), big5);
    const Correction correction = CorrectClaim(text, report, big5);
    ASSERT_EQ(report.findings.size(), 12u);

    const std::vector<std::string> some = DescribeReport(report, correction, false);
    ASSERT_EQ(some.size(), 12u);
    EXPECT_EQ(some[10], "... and 2 more LF line ends without CR, up to line 12 (--all lists them all).");
    EXPECT_EQ(some[11], "NOT OK: the player does not see this text as written (12 problems). "
                        "--fix can write a corrected copy.");
    EXPECT_EQ(DescribeReport(report, correction, true).size(), 13u);

    // Ten of a kind are all listed, without a line for the rest.
    const std::string ten = Repeat("a\n", 10) + "z";
    const Report tenReport = CheckClaim(ten, ten.size(), big5);
    EXPECT_EQ(DescribeReport(tenReport, CorrectClaim(ten, tenReport, big5), false).size(), 11u);
}

TEST(Texts, Verdicts)
{
    const Big5CodePage& big5 = CodePage950();
    const struct { const char* trace; std::string text; std::string verdict; } rows[] = {
        {"one line", B("a\r\n"), "OK: the player sees this text as written (3 bytes, 1 line)."},
        {"one line ending in a bare CR", B("a\r"), "OK: the player sees this text as written (2 bytes, 1 line)."},
        {"one problem", B("a\rb"),
         "NOT OK: the player does not see this text as written (1 problem). --fix can write a corrected copy."},
        {"refused", B("a\xFF\nb"),
         "NOT OK: the player does not see this text as written (2 problems). --fix cannot correct it: bytes "
         "that are not valid Big5 must be corrected by hand."},
        {"a line too long that CR LF line ends split", Chinese(4200) + "\n" + Chinese(4200),
         "NOT OK: the player does not see this text as written (2 problems). --fix can write a corrected copy."},
        {"a line too long with CR LF line ends", Chinese(8300),
         "NOT OK: the player does not see this text as written (1 problem). --fix cannot correct it: lines too "
         "long for the text box must be split by hand with CR LF line ends."},
        {"lines still too long once split", Chinese(5000) + "\n" + Chinese(5000) + "\r" + Chinese(5000),
         "NOT OK: the player does not see this text as written (3 problems). --fix cannot correct it: the "
         "corrected copy's lines would still be too long for the text box (line 1 (5000 characters), line 2 "
         "(5000 characters), line 3 (5000 characters)): split them by hand with CR LF line ends."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.trace);
        const Report report = CheckClaim(row.text, row.text.size(), big5);
        const std::vector<std::string> lines = DescribeReport(report, CorrectClaim(row.text, report, big5), false);
        EXPECT_EQ(lines.back(), row.verdict);
    }
}

}  // namespace
