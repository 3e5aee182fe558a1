#include "claim_check.h"
#include "claim_layout.h"

#include <algorithm>
#include <cstdio>

namespace claimcheck {

namespace {

constexpr uint8_t kCr = 0x0D;
constexpr uint8_t kLf = 0x0A;

const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

bool IsPrivateUse(uint32_t codePoint) { return codePoint >= 0xE000 && codePoint <= 0xF8FF; }

std::string Hex(const std::string& bytes)
{
    std::string out;
    char buf[4];
    for (unsigned char b : bytes) {
        std::snprintf(buf, sizeof(buf), "%s%02X", out.empty() ? "" : " ", b);
        out += buf;
    }
    return out;
}

std::string Num(uint64_t n) { return std::to_string(n); }

// "1 CR line end", "2 CR line ends".
std::string Count(uint64_t n, const char* one, const char* many) { return Num(n) + " " + (n == 1 ? one : many); }

// "line 4 (5000 characters), lines 9 to 12 (4096 characters)": the longest box lines
// of a LongLines finding, by the lines an editor shows.
std::string LongestLines(const Finding& f)
{
    std::string out;
    for (const BoxLine& line : f.longest) {
        out += out.empty() ? "" : ", ";
        out += line.lastLine > line.firstLine
                   ? "lines " + Num(line.firstLine) + " to " + Num(line.lastLine)
                   : "line " + Num(line.firstLine);
        out += " (" + Num(line.characters) + " characters)";
    }
    return out;
}

std::string CodePointName(uint32_t codePoint)
{
    char buf[16];
    std::snprintf(buf, sizeof(buf), "U+%04X", static_cast<unsigned>(codePoint));
    return buf;
}

uint32_t Utf16Unit(const uint8_t* p, size_t i, bool bigEndian)
{
    return bigEndian ? (p[i] << 8) | p[i + 1] : p[i] | (p[i + 1] << 8);
}

bool IsUtf16(Encoding encoding) { return encoding == Encoding::Utf16Le || encoding == Encoding::Utf16Be; }

// Line numbers of a text as an editor counts them: CR LF, a lone LF and a
// lone CR each end a line. A UTF-16 text is counted in units after its mark.
class LineIndex {
public:
    LineIndex(const std::string& text, Encoding encoding)
    {
        const uint8_t* p = Bytes(text);
        const size_t n = text.size();
        const bool utf16 = IsUtf16(encoding);
        const size_t step = utf16 ? 2 : 1;
        auto unitAt = [&](size_t i) { return utf16 ? Utf16Unit(p, i, encoding == Encoding::Utf16Be) : p[i]; };
        for (size_t i = utf16 ? 2 : 0; i + step <= n; i += step) {
            const uint32_t c = unitAt(i);
            if (c == kCr && i + 2 * step <= n && unitAt(i + step) == kLf)
                m_starts.push_back((i += step) + step);
            else if (c == kCr || c == kLf)
                m_starts.push_back(i + step);
        }
    }
    uint32_t LineAt(uint64_t offset) const
    {
        return static_cast<uint32_t>(std::upper_bound(m_starts.begin(), m_starts.end(), offset) - m_starts.begin()) + 1;
    }

private:
    std::vector<uint64_t> m_starts;  // offsets where lines 2, 3, ... start
};

// Decodes one UTF-8 character at p[i]; false for an invalid sequence
// (overlong forms, surrogates and values above U+10FFFF included).
bool DecodeUtf8(const uint8_t* p, size_t n, size_t& i, uint32_t& codePoint)
{
    const uint8_t b = p[i];
    size_t length;
    uint32_t min;
    if (b < 0x80) {
        codePoint = b;
        ++i;
        return true;
    } else if (b >= 0xC2 && b <= 0xDF) {
        length = 2, min = 0x80, codePoint = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3, min = 0x800, codePoint = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4, min = 0x10000, codePoint = b & 0x07;
    } else {
        return false;
    }
    if (n - i < length)
        return false;
    for (size_t k = 1; k < length; ++k) {
        if ((p[i + k] & 0xC0) != 0x80)
            return false;
        codePoint = (codePoint << 6) | (p[i + k] & 0x3F);
    }
    if (codePoint < min || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return false;
    i += length;
    return true;
}

// True when the n bytes at p begin a UTF-8 sequence longer than n.
bool IsUtf8Start(const uint8_t* p, size_t n)
{
    const size_t length = p[0] >= 0xF0 ? 4 : p[0] >= 0xE0 ? 3 : p[0] >= 0xC2 ? 2 : 0;
    if (n >= length || p[0] > 0xF4)
        return false;
    for (size_t k = 1; k < n; ++k) {
        if ((p[k] & 0xC0) != 0x80)
            return false;
    }
    return true;
}

struct Utf8Scan {
    uint64_t nonAscii = 0;       // valid characters of two bytes or more
    size_t firstNonAscii = 0;
    std::vector<std::pair<size_t, size_t>> invalid;  // offset and length of each invalid sequence
};

// Decodes [begin, end) as UTF-8. cut: the text was cut short by the size
// limit, so a sequence cut there is no fault.
Utf8Scan ScanUtf8(const uint8_t* p, size_t begin, size_t end, bool cut)
{
    Utf8Scan scan;
    for (size_t i = begin; i < end;) {
        const size_t at = i;
        uint32_t codePoint;
        if (DecodeUtf8(p, end, i, codePoint)) {
            if (codePoint >= 0x80 && scan.nonAscii++ == 0)
                scan.firstNonAscii = at;
            continue;
        }
        if (cut && IsUtf8Start(p + at, end - at))
            break;
        // A start byte and the continuation bytes after it make one fault.
        i = at + 1;
        if (p[at] >= 0xC0)
            while (i < end && i < at + 4 && (p[i] & 0xC0) == 0x80)
                ++i;
        scan.invalid.emplace_back(at, i - at);
    }
    return scan;
}

// Text is taken for UTF-8 when it has UTF-8 characters and at most one
// invalid sequence in 16 of them (Big5 text comes nowhere near), and either
// has the mark or is not valid Big5.
bool IsUtf8Text(const Utf8Scan& scan, bool marked, bool validBig5)
{
    return scan.nonAscii > 0 && scan.nonAscii >= 16 * scan.invalid.size() &&
           (marked || !validBig5 || !scan.invalid.empty());
}

// Walks [begin, end) character by character as code page 950 reads it and
// reports invalid and user-defined characters. After an invalid pair the
// walk goes on at the second byte, which may be a character of its own
// (a CR, a letter).
// cut: the text was cut short by the size limit; a lead byte cut there counts.
void CheckBig5(const std::string& head, size_t begin, size_t end, bool cut, const Big5CodePage& codePage,
               const LineIndex& lines, std::vector<Finding>& out)
{
    const uint8_t* p = Bytes(head);
    for (size_t i = begin; i < end;) {
        if (p[i] < 0x80) {  // ASCII reads the same in code page 950
            ++i;
            continue;
        }
        const bool lead = codePage.IsLeadByte(p[i]);
        if (lead && i + 1 == end) {
            if (!cut)
                out.push_back({Kind::InvalidBig5, i, lines.LineAt(i), head.substr(i, 1), 1});
            ++i;
            continue;
        }
        const size_t length = lead ? 2 : 1;
        uint16_t unit = 0;
        if (!codePage.ToUnicode(p + i, length, unit)) {
            out.push_back({Kind::InvalidBig5, i, lines.LineAt(i), head.substr(i, length)});
            ++i;
            continue;
        }
        if (IsPrivateUse(unit))
            out.push_back({Kind::UserDefined, i, lines.LineAt(i), head.substr(i, length), unit});
        i += length;
    }
}

// One finding when the box's lines of text[0, end) are over the layout
// bound, at the longest line, naming the longest ones.
void CheckLayout(const std::string& text, size_t end, const LineIndex& lines, std::vector<Finding>& out)
{
    const uint64_t work = claimlayout::LayoutWork(text.data(), end);
    if (claimlayout::IsWithinBound(work))
        return;
    struct Line {
        size_t offset, length;
        uint64_t characters;
    };
    Line longest[kLongLinesNamed] = {};
    claimlayout::ForEachBoxLine(text.data(), end, [&text, &longest](size_t offset, size_t length) {
        const Line line{offset, length, claimlayout::LineCharacters(text.data() + offset, length)};
        size_t k = kLongLinesNamed;
        while (k > 0 && line.characters > longest[k - 1].characters) {
            if (k < kLongLinesNamed)
                longest[k] = longest[k - 1];
            --k;
        }
        if (k < kLongLinesNamed)
            longest[k] = line;
    });
    Finding finding{Kind::LongLines, longest[0].offset, lines.LineAt(longest[0].offset), {}, work};
    for (const Line& line : longest) {
        if (line.characters > 0)
            finding.longest.push_back(
                {lines.LineAt(line.offset), lines.LineAt(line.offset + line.length - 1), line.characters});
    }
    out.push_back(finding);
}

}  // namespace

uint64_t BytesToRead(uint64_t fileSize, uint64_t limit) { return std::min(fileSize, limit); }

Report CheckClaim(const std::string& head, uint64_t fileSize, const Big5CodePage& codePage, uint64_t limit)
{
    Report report;
    report.fileSize = fileSize;
    report.limit = limit;
    std::vector<Finding>& findings = report.findings;
    const uint8_t* p = Bytes(head);
    const size_t n = head.size();
    size_t start = 0;
    if (n >= 2 && ((p[0] == 0xFF && p[1] == 0xFE) || (p[0] == 0xFE && p[1] == 0xFF))) {
        report.encoding = p[0] == 0xFF ? Encoding::Utf16Le : Encoding::Utf16Be;
        start = 2;
    } else if (n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) {
        start = 3;
    }
    report.bomLength = start;
    const LineIndex lines(head, report.encoding);

    if (fileSize == 0) {
        findings.push_back({Kind::Empty, 0, 1, {}});
        return report;
    }
    if (fileSize > limit)
        findings.push_back({Kind::TooLarge, n, lines.LineAt(n), {}, BytesToRead(fileSize, limit)});

    if (start > 0)
        findings.push_back({start == 2 ? Kind::Utf16Bom : Kind::Utf8Bom, 0, 1, head.substr(0, start)});

    // The text ends at the first NUL byte. NUL bytes that only pad the end
    // of a text hide nothing.
    size_t end = head.find('\0');
    if (end != std::string::npos) {
        Finding nul{Kind::Nul, end, lines.LineAt(end), {}, fileSize - end};
        nul.lastLine = lines.LineAt(n);
        nul.onlyNulsFollow = n == fileSize && head.find_first_not_of('\0', end) == std::string::npos;
        if (!nul.onlyNulsFollow || end == start)
            findings.push_back(nul);
    } else {
        end = n;
    }
    report.textEnd = end;
    if (fileSize <= limit)
        CheckLayout(head, end, lines, findings);
    if (end > start)
        report.lines = lines.LineAt(end) - (p[end - 1] == kCr || p[end - 1] == kLf ? 1 : 0);

    if (report.encoding == Encoding::Big5) {
        // In UTF-8 text the bytes that are not valid Big5 are all one finding.
        const bool cut = end == n && n < fileSize;
        std::vector<Finding> big5;
        CheckBig5(head, start, end, cut, codePage, lines, big5);
        const Utf8Scan utf8 = ScanUtf8(p, start, end, cut);
        const bool marked = start == 3;
        if (IsUtf8Text(utf8, marked, big5.empty())) {
            findings.push_back({Kind::Utf8Text, utf8.firstNonAscii, lines.LineAt(utf8.firstNonAscii), {},
                                utf8.nonAscii});
            for (const auto& bad : utf8.invalid)
                findings.push_back({Kind::InvalidUtf8, bad.first, lines.LineAt(bad.first),
                                    head.substr(bad.first, bad.second)});
            report.encoding = Encoding::Utf8;
        } else {
            if (marked && utf8.invalid.empty())
                report.encoding = Encoding::Utf8;
            findings.insert(findings.end(), big5.begin(), big5.end());
        }

        // Line ends other than CR LF; one at the very end of the text changes
        // nothing the player sees.
        for (size_t i = start; i + 1 < end; ++i) {
            if (p[i] == kCr && p[i + 1] != kLf)
                findings.push_back({Kind::BareCr, i, lines.LineAt(i), {}});
            else if (p[i] == kLf && (i == start || p[i - 1] != kCr))
                findings.push_back({Kind::BareLf, i, lines.LineAt(i), {}});
        }
    }

    std::stable_sort(findings.begin(), findings.end(),
                     [](const Finding& a, const Finding& b) { return a.offset < b.offset; });
    return report;
}

// ---- Correction -------------------------------------------------------------

namespace {

// Makes every line end CR LF: a lone LF and a lone CR become CR LF.
std::string NormaliseLineEnds(const std::string& text, uint64_t& lfCount, uint64_t& crCount)
{
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            out += "\r\n";
            ++i;
        } else if (c == '\r' || c == '\n') {
            ++(c == '\r' ? crCount : lfCount);
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

// Appends the Big5 form of a decoded character; a blocker when it has none.
void AppendBig5(uint32_t codePoint, uint64_t offset, uint32_t line, const Big5CodePage& codePage,
                std::string& out, uint64_t& converted, std::vector<Finding>& blockers)
{
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
        return;
    }
    // A private-use character would come out as a user-defined one.
    if (!IsPrivateUse(codePoint) && codePage.FromUnicode(codePoint, out)) {
        ++converted;
        return;
    }
    blockers.push_back({Kind::NoBig5Form, offset, line, {}, codePoint});
}

// Decodes a UTF-16 text after its mark; NUL characters at the very end are
// dropped, one before other text blocks.
void ConvertUtf16(const std::string& head, bool bigEndian, const Big5CodePage& codePage, std::string& out,
                  uint64_t& converted, uint64_t& droppedNuls, std::vector<Finding>& blockers)
{
    const uint8_t* p = Bytes(head);
    const size_t n = head.size();
    auto unitAt = [&](size_t i) { return Utf16Unit(p, i, bigEndian); };
    const LineIndex lines(head, bigEndian ? Encoding::Utf16Be : Encoding::Utf16Le);
    size_t textEnd = n - (n - 2) % 2;
    while (textEnd >= 4 && unitAt(textEnd - 2) == 0) {
        textEnd -= 2;
        ++droppedNuls;
    }
    for (size_t i = 2; i + 1 < textEnd; i += 2) {
        const size_t at = i;
        uint32_t c = unitAt(i);
        if (c >= 0xD800 && c <= 0xDBFF && i + 3 < textEnd) {
            const uint32_t low = unitAt(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        if (c == 0)
            blockers.push_back({Kind::NulChar, at, lines.LineAt(at), {}});
        else
            AppendBig5(c, at, lines.LineAt(at), codePage, out, converted, blockers);
    }
    if ((n - 2) % 2 != 0)
        blockers.push_back({Kind::OddUtf16, n - 1, lines.LineAt(n - 1), head.substr(n - 1)});
}

std::string RefusalFor(Kind kind)
{
    switch (kind) {
    case Kind::Empty:
        return "the file is empty: write the text first";
    case Kind::TooLarge:
        return "the file is too large";
    case Kind::LongLines:
        return "lines too long for the text box must be split by hand with CR LF line ends";
    case Kind::InvalidBig5:
        return "bytes that are not valid Big5 must be corrected by hand";
    case Kind::InvalidUtf8:
        return "bytes that are not valid UTF-8 must be corrected by hand";
    case Kind::UserDefined:
        return "user-defined characters must be replaced by hand";
    case Kind::Nul:
        return "a NUL byte inside the text must be removed by hand (check that the text after it belongs there)";
    case Kind::NulChar:
        return "a NUL character inside the text must be removed by hand";
    case Kind::NoBig5Form:
        return "characters with no Big5 form must be replaced by hand";
    case Kind::OddUtf16:
        return "the UTF-16 text ends in half a character";
    default:
        return {};
    }
}

bool HasKind(const Report& report, Kind kind)
{
    return std::any_of(report.findings.begin(), report.findings.end(),
                       [kind](const Finding& f) { return f.kind == kind; });
}

void AddRefusal(Correction& correction, Kind kind)
{
    const std::string reason = RefusalFor(kind);
    if (correction.refusal.find(reason) != std::string::npos)
        return;
    if (!correction.refusal.empty())
        correction.refusal += "; ";
    correction.refusal += reason;
}

}  // namespace

Correction CorrectClaim(const std::string& head, const Report& report, const Big5CodePage& codePage)
{
    Correction correction;
    const bool utf16 = IsUtf16(report.encoding);
    for (const Finding& f : report.findings) {
        switch (f.kind) {
        case Kind::Empty:
        case Kind::TooLarge:
        case Kind::InvalidBig5:
        case Kind::InvalidUtf8:
        case Kind::UserDefined:
            AddRefusal(correction, f.kind);
            break;
        case Kind::LongLines:
            // Making the line ends CR LF may split the lines enough: the
            // copy is checked again below.
            if (!HasKind(report, Kind::BareLf) && !HasKind(report, Kind::BareCr))
                AddRefusal(correction, f.kind);
            break;
        case Kind::Nul:
            // NUL bytes up to the end hide nothing and go; a UTF-16 text is
            // decoded below.
            if (!utf16 && !f.onlyNulsFollow)
                AddRefusal(correction, f.kind);
            break;
        default:
            break;
        }
    }
    if (!correction.refusal.empty())
        return correction;

    std::string big5;
    uint64_t converted = 0;
    uint64_t droppedNuls = head.size() - report.textEnd;
    if (utf16) {
        droppedNuls = 0;
        ConvertUtf16(head, report.encoding == Encoding::Utf16Be, codePage, big5, converted, droppedNuls,
                     correction.blockers);
    } else if (report.encoding == Encoding::Utf8) {
        const uint8_t* p = Bytes(head);
        const LineIndex lines(head, report.encoding);
        for (size_t i = report.bomLength; i < report.textEnd;) {
            const size_t at = i;
            uint32_t codePoint = 0;
            if (!DecodeUtf8(p, report.textEnd, i, codePoint)) {  // checked valid; never loop
                codePoint = 0xFFFD;
                ++i;
            }
            AppendBig5(codePoint, at, lines.LineAt(at), codePage, big5, converted, correction.blockers);
        }
    } else {
        big5 = head.substr(report.bomLength, report.textEnd - report.bomLength);
    }
    for (const Finding& b : correction.blockers)
        AddRefusal(correction, b.kind);
    if (!correction.refusal.empty())
        return correction;

    uint64_t lfCount = 0, crCount = 0;
    correction.text = NormaliseLineEnds(big5, lfCount, crCount);

    if (report.bomLength == 3)
        correction.changes.push_back("UTF-8 byte-order mark removed");
    else if (report.bomLength == 2)
        correction.changes.push_back("UTF-16 byte-order mark removed");
    if (converted > 0 || utf16)
        correction.changes.push_back(std::string(utf16 ? "UTF-16" : "UTF-8") + " converted to Big5 (" +
                                     Count(converted, "non-ASCII character", "non-ASCII characters") + ")");
    if (lfCount > 0)
        correction.changes.push_back(Count(lfCount, "LF line end", "LF line ends") + " made CR LF");
    if (crCount > 0)
        correction.changes.push_back(Count(crCount, "CR line end", "CR line ends") + " made CR LF");
    if (droppedNuls > 0)
        correction.changes.push_back(Count(droppedNuls, utf16 ? "NUL character" : "NUL byte",
                                           utf16 ? "NUL characters" : "NUL bytes") +
                                     " at the end removed");

    // The copy must check clean: it can still come out empty or too large.
    const Report again = CheckClaim(correction.text, correction.text.size(), codePage, report.limit);
    for (const Finding& f : again.findings) {
        if (f.kind == Kind::Empty)
            correction.refusal = "the corrected copy would be empty: there is no text";
        else if (f.kind == Kind::TooLarge)
            correction.refusal = "the corrected copy would be too large (" + Num(correction.text.size()) +
                                 " bytes, over " + Num(report.limit) + ")";
        else if (f.kind == Kind::LongLines)
            correction.refusal = "the corrected copy's lines would still be too long for the text box (" +
                                 LongestLines(f) + "): split them by hand with CR LF line ends";
        else
            correction.refusal = "the corrected copy would still not check clean";
    }
    correction.done = correction.refusal.empty();
    if (!correction.done)
        correction.text.clear();
    return correction;
}

// ---- Texts --------------------------------------------------------------------

namespace {

std::string Position(const Finding& f)
{
    char hex[24];
    std::snprintf(hex, sizeof(hex), "0x%llX", static_cast<unsigned long long>(f.offset));
    return "line " + Num(f.line) + ", byte " + Num(f.offset) + " (" + hex + "): ";
}

std::string DescribeTooLarge(const Finding& f, const Report& report)
{
    return "file too large: " + Num(report.fileSize) + " bytes, over the game's cap of " + Num(report.limit) +
           " bytes: the game reports the file as unreadable (\"Important file cannot be read!\") and shows no "
           "dialog. Only the first " + Num(f.value) + " bytes were checked.";
}

std::string DescribeLongLines(const Finding& f)
{
    return "lines too long for the text box, which ends a line only at CR LF: the longest are " + LongestLines(f) +
           "; the squares of the line lengths (in characters, a tab as " + Num(claimlayout::kTabCharacters) +
           ", a line as at least " + Num(claimlayout::kMinLineCharacters) + ") and " +
           Num(claimlayout::kWorkPerByte) + " for each byte add up to " + Num(f.value) +
           ", over the game's bound of " + Num(claimlayout::kMaxLayoutWork) +
           ", so the game reports the file as unreadable (\"Important file cannot be read!\") and shows no dialog "
           "rather than keep the player waiting.";
}

std::string DescribeInvalid(const Finding& f)
{
    if (f.value == 1)
        return "byte " + Hex(f.bytes) +
               " starts a two-byte Big5 character but the text ends after it: the last character is cut "
               "in half and shows as a wrong character (such as ?).";
    std::string text = (f.bytes.size() == 1 ? "byte " + Hex(f.bytes) + " is" : "bytes " + Hex(f.bytes) + " are") +
                       " not a valid Big5 character: the player sees a wrong character (such as ?) here";
    if (f.bytes.size() == 2 && (f.bytes[1] == '\r' || f.bytes[1] == '\n'))
        text += ", and the line break after it may be lost";
    return text + ".";
}

std::string NextLines(const Finding& f)
{
    return "the box does not start a new line here: line " + Num(f.line) + " runs on into line " +
           Num(f.line + 1) + ".";
}

const char* PluralName(Kind kind)
{
    switch (kind) {
    case Kind::InvalidBig5:
        return "invalid Big5 characters";
    case Kind::InvalidUtf8:
        return "invalid UTF-8 sequences";
    case Kind::UserDefined:
        return "user-defined characters";
    case Kind::BareLf:
        return "LF line ends without CR";
    case Kind::BareCr:
        return "CR line ends without LF";
    case Kind::NoBig5Form:
        return "characters with no Big5 form";
    default:
        return "problems of this kind";
    }
}

std::string DescribeBlocker(const Finding& f)
{
    switch (f.kind) {
    case Kind::NoBig5Form:
        return Position(f) + "character " + CodePointName(static_cast<uint32_t>(f.value)) +
               " has no Big5 form: --fix cannot convert it; replace it by hand.";
    case Kind::NulChar:
        return Position(f) + "NUL character inside the UTF-16 text: --fix cannot convert it; remove it by hand.";
    case Kind::OddUtf16:
        return Position(f) + "the UTF-16 text ends in half a character (an odd number of bytes).";
    default:
        return Position(f) + "cannot be corrected.";
    }
}

// Appends lines for a list, at most kListedPerKind of one kind unless listAll.
void ListLines(const std::vector<Finding>& list, bool listAll, const std::vector<std::string>& texts,
               std::vector<std::string>& out)
{
    std::vector<size_t> shown(static_cast<size_t>(Kind::OddUtf16) + 1, 0);
    std::vector<uint64_t> hidden(shown.size(), 0);
    std::vector<uint32_t> lastLine(shown.size(), 0);
    for (size_t i = 0; i < list.size(); ++i) {
        const size_t k = static_cast<size_t>(list[i].kind);
        if (listAll || shown[k] < kListedPerKind) {
            ++shown[k];
            out.push_back(texts[i]);
        } else {
            ++hidden[k];
            lastLine[k] = list[i].line;
        }
    }
    for (size_t k = 0; k < hidden.size(); ++k) {
        if (hidden[k] > 0)
            out.push_back("... and " + Num(hidden[k]) + " more " + PluralName(static_cast<Kind>(k)) +
                          ", up to line " + Num(lastLine[k]) + " (--all lists them all).");
    }
}

}  // namespace

std::string DescribeFinding(const Finding& f, const Report& report)
{
    const std::string at = Position(f);
    switch (f.kind) {
    case Kind::Empty:
        return at + "the file is empty: the player sees an empty text box.";
    case Kind::TooLarge:
        return at + DescribeTooLarge(f, report);
    case Kind::LongLines:
        return at + DescribeLongLines(f);
    case Kind::Utf16Bom:
        return at + "UTF-16 byte-order mark (" + Hex(f.bytes) +
               "): the file is saved as UTF-16 (Unicode), not Big5; the text box shows almost nothing, as "
               "the first NUL byte ends the text.";
    case Kind::Utf8Bom:
        return at + "UTF-8 byte-order mark (" + Hex(f.bytes) +
               "): the player sees stray characters at the start of the first line, and the characters "
                                 "after them may come out garbled.";
    case Kind::Utf8Text:
        return at + "the text is saved as UTF-8 (Unicode), not Big5: from here on the player sees garbled "
                    "characters in place of its " +
               Num(f.value) + " non-ASCII characters.";
    case Kind::InvalidBig5:
        return at + DescribeInvalid(f);
    case Kind::InvalidUtf8:
        return at + (f.bytes.size() == 1 ? "byte " + Hex(f.bytes) + " is" : "bytes " + Hex(f.bytes) + " are") +
               " not valid UTF-8, unlike the rest of the text: --fix cannot convert " +
               (f.bytes.size() == 1 ? "it" : "them") + "; correct this by hand.";
    case Kind::UserDefined:
        return at + "bytes " + Hex(f.bytes) + " are a user-defined character (private use " +
               CodePointName(static_cast<uint32_t>(f.value)) +
               "): it shows as an empty box or a blank unless the player's system has a font made for it.";
    case Kind::Nul: {
        std::string text = at + "NUL byte: the text stops here; the player does not see the " + Num(f.value) +
                           " bytes from here on";
        if (f.offset == report.bomLength)
            text += " and the text box stays empty";
        return text + (f.lastLine > f.line ? " (up to line " + Num(f.lastLine) + ")." : ".");
    }
    case Kind::BareLf:
        return at + "LF line end without CR: " + NextLines(f);
    case Kind::BareCr:
        return at + "CR line end without LF: " + NextLines(f);
    default:
        return DescribeBlocker(f);
    }
}

std::vector<std::string> DescribeReport(const Report& report, const Correction& correction, bool listAll)
{
    std::vector<std::string> out;
    std::vector<std::string> texts;
    for (const Finding& f : report.findings)
        texts.push_back(DescribeFinding(f, report));
    ListLines(report.findings, listAll, texts, out);
    texts.clear();
    for (const Finding& f : correction.blockers)
        texts.push_back(DescribeBlocker(f));
    ListLines(correction.blockers, listAll, texts, out);

    if (report.ShowsAsWritten()) {
        out.push_back("OK: the player sees this text as written (" + Num(report.fileSize) + " bytes, " +
                      Num(report.lines) + (report.lines == 1 ? " line)." : " lines)."));
        return out;
    }
    const size_t count = report.findings.size();
    std::string verdict = "NOT OK: the player does not see this text as written (" + Num(count) +
                          (count == 1 ? " problem). " : " problems). ");
    if (correction.done)
        verdict += "--fix can write a corrected copy.";
    else
        verdict += "--fix cannot correct it: " + correction.refusal + ".";
    out.push_back(verdict);
    return out;
}

std::string CorrectedCopyPath(const std::string& path)
{
    const size_t nameStart = path.find_last_of("\\/:") == std::string::npos ? 0 : path.find_last_of("\\/:") + 1;
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot <= nameStart)
        return path + ".fixed.txt";
    return path.substr(0, dot) + ".fixed" + path.substr(dot);
}

}  // namespace claimcheck
