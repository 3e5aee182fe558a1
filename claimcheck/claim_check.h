// Claim text checker core: works out, from the raw bytes of a claim text
// file, what the player sees in the claim dialog's text box, and makes a
// corrected copy.
//
// The dialog reads the file whole as raw bytes and shows them as ANSI text in
// code page 950 (Big5): it converts nothing, the text ends at the first NUL
// byte, and the box starts a new line only at CR LF. A file larger than the
// game's cap, or whose lines the box would take too long to lay out
// (claim_layout.h), counts as unreadable.
//
// Portable C++ with no Windows header: every question about code page 950 goes
// to a Big5CodePage, which the program answers with the system's conversion.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace claimcheck {

// The game's cap on Claim.txt (TOVIK_CLAIM_MAX_BYTES of TovikDlg.h, which the
// program checks against this): a larger file makes the game show "Important
// file cannot be read!" and no dialog. The text box lays out the whole text
// before the dialog appears, about 1.5 s per MiB under Wine. A real claim
// text is far smaller (1 MiB holds about 500,000 Chinese characters).
constexpr uint64_t kShowLimit = 1024 * 1024;

// How many list lines of one kind a report shows unless asked for all.
constexpr size_t kListedPerKind = 10;

// Code page 950 as the system converts it.
class Big5CodePage {
public:
    virtual ~Big5CodePage() = default;
    // True when b starts a two-byte character.
    virtual bool IsLeadByte(uint8_t b) const = 0;
    // Converts one character of length bytes (1 or 2) into one UTF-16 unit;
    // false when the bytes are not a valid character.
    virtual bool ToUnicode(const uint8_t* bytes, size_t length, uint16_t& unit) const = 0;
    // Appends the Big5 form of a code point to out; false when it has none
    // (no look-alike substitutes).
    virtual bool FromUnicode(uint32_t codePoint, std::string& out) const = 0;
};

enum class Kind {
    Empty,        // the file has no bytes
    TooLarge,     // over the limit: the game takes the file for unreadable
    LongLines,    // over the layout bound: the game takes the file for unreadable
    Utf16Bom,     // FF FE or FE FF at the start
    Utf8Bom,      // EF BB BF at the start
    Utf8Text,     // UTF-8 with non-ASCII characters, not Big5
    InvalidUtf8,  // a sequence that is not valid UTF-8 inside UTF-8 text
    InvalidBig5,  // bytes that are no character of code page 950
    UserDefined,  // a user-defined (private use) character of code page 950
    Nul,          // the first NUL byte: the text ends there
    BareLf,       // LF not after CR
    BareCr,       // CR not before LF
    // Reasons found only while correcting:
    NoBig5Form,   // a character of a UTF-8 or UTF-16 text with no Big5 form
    NulChar,      // a NUL character inside a UTF-16 text
    OddUtf16,     // a UTF-16 text that ends in half a unit
};

// A line as the text box sees it (ended only by CR LF).
struct BoxLine {
    uint32_t firstLine;  // the lines as an editor counts them that it spans
    uint32_t lastLine;
    uint64_t characters; // as the layout work counts them (claim_layout.h)
};

// How many of the longest lines a LongLines finding names.
constexpr size_t kLongLinesNamed = 3;

struct Finding {
    Kind kind;
    uint64_t offset;   // from the start of the file
    uint32_t line;     // 1-based; CR LF, a lone LF and a lone CR each end a line
    std::string bytes; // the bytes concerned (byte-order marks, invalid bytes)
    // TooLarge: bytes checked; Nul: bytes not shown from here on;
    // Utf8Text: count of non-ASCII characters; UserDefined: the UTF-16 unit;
    // NoBig5Form: the code point; InvalidBig5: 1 when the text ends after a
    // lead byte; LongLines: the layout work.
    uint64_t value = 0;
    uint32_t lastLine = 0;  // Nul: the last line of the file
    bool onlyNulsFollow = false;  // Nul: nothing but NUL bytes after it
    std::vector<BoxLine> longest = {};  // LongLines: the longest lines, longest first
};

enum class Encoding { Big5, Utf8, Utf16Le, Utf16Be };

struct Report {
    uint64_t fileSize = 0;
    uint64_t limit = kShowLimit;
    Encoding encoding = Encoding::Big5;
    size_t bomLength = 0;
    size_t textEnd = 0;      // offset of the first NUL, or of the end of what was read
    uint32_t lines = 0;      // lines of the text shown
    std::vector<Finding> findings;  // in file order

    bool ShowsAsWritten() const { return findings.empty(); }
};

// How many bytes from the start of a file of fileSize bytes the check reads:
// the whole file, at most the limit.
uint64_t BytesToRead(uint64_t fileSize, uint64_t limit = kShowLimit);

// Checks a claim file: head holds its first BytesToRead(fileSize) bytes.
Report CheckClaim(const std::string& head, uint64_t fileSize, const Big5CodePage& codePage,
                  uint64_t limit = kShowLimit);

struct Correction {
    bool done = false;                 // text holds a copy that checks clean
    std::string text;
    std::vector<std::string> changes;  // what was changed, in words
    std::vector<Finding> blockers;     // characters no correction can convert
    std::string refusal;               // why there is no copy, in words
};

// Corrects a claim file that Report describes: CR LF line ends, no
// byte-order mark, UTF-8 and UTF-16 converted to Big5, NUL bytes at the very
// end dropped. Refuses (done false) what only a person can correct.
Correction CorrectClaim(const std::string& head, const Report& report, const Big5CodePage& codePage);

// One line for a finding, without the file name:
// "line 3, byte 120 (0x78): LF line end without CR: ...".
std::string DescribeFinding(const Finding& finding, const Report& report);

// The lines of a report: findings (at most kListedPerKind of a kind unless
// listAll), the correction's blockers, then the verdict.
std::vector<std::string> DescribeReport(const Report& report, const Correction& correction, bool listAll);

// The default name of a corrected copy: "Claim.txt" -> "Claim.fixed.txt".
std::string CorrectedCopyPath(const std::string& path);

}  // namespace claimcheck
