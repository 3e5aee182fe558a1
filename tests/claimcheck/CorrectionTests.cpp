// Corrected copies: what --fix changes, that every copy it makes checks
// clean, and what it refuses with the place of each character it cannot
// convert.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "CheckTestSupport.h"

using namespace claimcheck;

namespace {

struct Blocker {
    Kind kind;
    uint64_t offset;
    uint32_t line;
    uint32_t codePoint;
};

struct CorrectionRow {
    const char* trace;
    std::string input;
    std::string refusal;  // a part of the refusal
    std::vector<Blocker> blockers;
    uint64_t limit = kShowLimit;
};

Correction Correct(const std::string& input, uint64_t limit = kShowLimit)
{
    const Big5CodePage& big5 = CodePage950();
    const Report report = CheckClaim(input, input.size(), big5, limit);
    return CorrectClaim(input, report, big5);
}

TEST(Correction, CopiesThatCheckClean)
{
    const struct { const char* trace; std::string input; std::string output; } rows[] = {
        {"CR LF first, then LF line ends", B("\r\na\nb\n"), B("\r\na\r\nb\r\n")},
        {"CR line ends", B("a\rb"), B("a\r\nb")},
        {"CR CR LF: two line ends, as an editor shows them", B("a\r\r\nb"), B("a\r\n\r\nb")},
        {"UTF-8 mark on ASCII", B("\xEF\xBB\xBFHi\r\n"), B("Hi\r\n")},
        {"UTF-8 text", kUtf8Game + B("\nOK"), kBig5Game + B("\r\nOK")},
        {"UTF-8 mark and UTF-8 text", B("\xEF\xBB\xBF") + kUtf8Game, kBig5Game},
        {"UTF-8 full-width tilde", B("\xEF\xBD\x9E\xE6\x88\xB2"), B("\xA1\xE3\xC0\xB8")},
        {"UTF-16 little-endian", B("\xFF\xFE\x4A\x90\x32\x62\r\0\n\0"), kBig5Game + B("\r\n")},
        {"UTF-16 big-endian", B("\xFE\xFF\x90\x4A\x62\x32\0\n"), kBig5Game + B("\r\n")},
        {"UTF-16 NUL characters at the end go", B("\xFF\xFEO\0K\0\0\0"), B("OK")},
        {"NUL bytes padding the end go", B("ab\ncd\0\0"), B("ab\r\ncd")},
        {"Big5 with a UTF-8 mark that is not UTF-8", B("\xEF\xBB\xBF") + kBig5Game, kBig5Game},
        {"LF line ends that split a line too long for the box", Repeat(kBig5Game, 2100) + "\n" +
         Repeat(kBig5Game, 2100), Repeat(kBig5Game, 2100) + "\r\n" + Repeat(kBig5Game, 2100)},
    };
    const Big5CodePage& big5 = CodePage950();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.trace);
        const Correction correction = Correct(row.input);
        ASSERT_TRUE(correction.done) << correction.refusal;
        EXPECT_EQ(correction.text, row.output);
        EXPECT_TRUE(correction.blockers.empty());
        const Report again = CheckClaim(correction.text, correction.text.size(), big5);
        EXPECT_TRUE(again.ShowsAsWritten());
    }
}

TEST(Correction, SaysWhatItChanged)
{
    const struct { std::string input; std::vector<std::string> changes; } rows[] = {
        {B("\xEF\xBB\xBF") + kUtf8Game + B("\na\rb\n\0"),
         {"UTF-8 byte-order mark removed", "UTF-8 converted to Big5 (2 non-ASCII characters)",
          "2 LF line ends made CR LF", "1 CR line end made CR LF", "1 NUL byte at the end removed"}},
        {B("\xFF\xFE\x4A\x90\n\0\0\0"),
         {"UTF-16 byte-order mark removed", "UTF-16 converted to Big5 (1 non-ASCII character)",
          "1 LF line end made CR LF", "1 NUL character at the end removed"}},
        {B("\xFF\xFEO\0K\0"), {"UTF-16 byte-order mark removed", "UTF-16 converted to Big5 (0 non-ASCII characters)"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.changes[0]);
        const Correction correction = Correct(row.input);
        ASSERT_TRUE(correction.done);
        EXPECT_EQ(correction.changes, row.changes);
    }
}

TEST(Correction, Refusals)
{
    const CorrectionRow rows[] = {
        {"emoji and e-acute have no Big5 form", B("OK\n\xF0\x9F\x98\x80 \xC3\xA9"), "no Big5 form",
         {{Kind::NoBig5Form, 3, 2, 0x1F600}, {Kind::NoBig5Form, 8, 2, 0xE9}}},
        {"a wave dash has only a look-alike", B("\xE3\x80\x9C"), "no Big5 form",
         {{Kind::NoBig5Form, 0, 1, 0x301C}}},
        {"a private-use character would come out user-defined", B("\xEE\x80\x80"), "no Big5 form",
         {{Kind::NoBig5Form, 0, 1, 0xE000}}},
        {"UTF-16 emoji", B("\xFF\xFE" "a\0\n\0\x3D\xD8\x00\xDE"), "no Big5 form",
         {{Kind::NoBig5Form, 6, 2, 0x1F600}}},
        {"UTF-16 NUL inside", B("\xFF\xFE" "A\0\0\0B\0"), "a NUL character inside the text must be removed by hand", {{Kind::NulChar, 4, 1, 0}}},
        {"UTF-16 of an odd length", B("\xFF\xFE" "A\0\n\0B"), "the UTF-16 text ends in half a character", {{Kind::OddUtf16, 6, 2, 0}}},
        {"NUL inside the text", B("ab\0cd"), "a NUL byte inside the text must be removed by hand (check that the text after it belongs there)", {}},
        {"invalid Big5", B("a\xFF"), "bytes that are not valid Big5 must be corrected by hand", {}},
        {"user-defined character", B("\xFA\x40"), "user-defined characters must be replaced by hand", {}},
        {"UTF-8 with a broken sequence", Repeat(kUtf8Game, 8) + B("\xE9\x81"), "bytes that are not valid UTF-8 must be corrected by hand", {}},
        {"only a mark", B("\xEF\xBB\xBF"), "the corrected copy would be empty: there is no text", {}},
        {"empty file", "", "the file is empty: write the text first", {}},
        {"line ends that grow past the limit", Repeat("a\n", 7), "the corrected copy would be too large (21 bytes, over 16)", {},
         16},
        {"file over the limit", std::string(17, 'a'), "the file is too large", {}, 16},
    };
    for (const CorrectionRow& row : rows) {
        SCOPED_TRACE(row.trace);
        const Correction correction = Correct(row.input, row.limit);
        EXPECT_FALSE(correction.done);
        EXPECT_TRUE(correction.text.empty());
        EXPECT_NE(correction.refusal.find(row.refusal), std::string::npos) << correction.refusal;
        ASSERT_EQ(correction.blockers.size(), row.blockers.size());
        for (size_t i = 0; i < row.blockers.size(); ++i) {
            const Finding& f = correction.blockers[i];
            EXPECT_EQ(Describe(f.kind, f.offset, f.line),
                      Describe(row.blockers[i].kind, row.blockers[i].offset, row.blockers[i].line));
            if (f.kind == Kind::NoBig5Form) {
                EXPECT_EQ(f.value, row.blockers[i].codePoint);
            }
        }
    }
}

TEST(Correction, LinesOfWhatOnlyAHandCanMend)
{
    const Big5CodePage& big5 = CodePage950();
    const struct { std::string input; std::string line; } rows[] = {
        {B("OK\r\n\xF0\x9F\x98\x80"),
         "line 2, byte 4 (0x4): character U+1F600 has no Big5 form: --fix cannot convert it; replace it by hand."},
        {B("\xFF\xFE" "A\0\0\0B\0"),
         "line 1, byte 4 (0x4): NUL character inside the UTF-16 text: --fix cannot convert it; remove it by hand."},
        {B("\xFF\xFE" "A\0B"), "line 1, byte 4 (0x4): the UTF-16 text ends in half a character (an odd number of bytes)."},
        {Repeat(kUtf8Game, 8) + B("\xFF"), "line 1, byte 48 (0x30): byte FF is not valid UTF-8, unlike the rest of "
                                            "the text: --fix cannot convert it; correct this by hand."},
        {Repeat(kUtf8Game, 8) + B("\xE9\x81"), "line 1, byte 48 (0x30): bytes E9 81 are not valid UTF-8, unlike "
                                                 "the rest of the text: --fix cannot convert them; correct this by hand."},
    };
    for (const auto& row : rows) {
        const Report report = CheckClaim(row.input, row.input.size(), big5);
        const std::vector<std::string> lines = DescribeReport(report, CorrectClaim(row.input, report, big5), false);
        EXPECT_NE(std::find(lines.begin(), lines.end(), row.line), lines.end()) << row.line;
    }
}

TEST(Correction, CopyPaths)
{
    const struct { const char* path; const char* expected; } rows[] = {
        {"Claim.txt", "Claim.fixed.txt"},
        {"C:\\games\\v1.2\\Claim.txt", "C:\\games\\v1.2\\Claim.fixed.txt"},
        {"v1.2\\Claim", "v1.2\\Claim.fixed.txt"},
        {"terms.big5.txt", "terms.big5.fixed.txt"},
        {".claim", ".claim.fixed.txt"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(CorrectedCopyPath(row.path), row.expected);
    }
}

}  // namespace
