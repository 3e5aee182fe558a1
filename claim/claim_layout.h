// How much work the claim dialog's text box does to lay a claim text out,
// decided from the bytes alone. The box lays each of its lines out, before
// the dialog shows, in a time that grows with the square of the line's
// length; a text whose lines add up to too much would keep the game waiting
// with no window. The box ends a line only at CR LF, so a text with LF or CR
// line ends is one long line to it.
//
// Portable C++ with no Windows header: the DLL, the checker and the preview
// (and their native tests) judge a text by this one rule.
#pragma once

#include <cstddef>
#include <cstdint>

namespace claimlayout {

// The most layout work a claim text may take: the sum of its lines' counted
// lengths squared, and kWorkPerByte for each byte. As much as the largest
// real text the size cap admits (1 MiB of 200-byte Chinese lines), or 16
// lines of 2,060 Chinese characters. TOVIK_CLAIM_MAX_LAYOUT of TovikDlg.h,
// which the DLL checks against this.
constexpr uint64_t kMaxLayoutWork = 69000000;
// Each byte costs the box work of its own, whatever its line: a file of the
// cap's size leaves no more room for long lines than the reference has.
constexpr uint64_t kWorkPerByte = 16;
// A tab counts as this many characters: the box lays out lines of many tabs
// far more slowly than lines of text.
constexpr uint64_t kTabCharacters = 32;
// A line that is not empty counts as at least this many characters: each
// one costs the box a fixed amount of work, whatever its length.
constexpr uint64_t kMinLineCharacters = 64;

// Calls onLine(offset, length) for each line of text[0, size) as the box ends
// lines: only CR LF ends one, and is not counted in its length. The text
// given is the text shown: it ends before the first NUL byte.
template <class OnLine>
void ForEachBoxLine(const char* text, size_t size, OnLine onLine)
{
    size_t start = 0;
    for (size_t i = 0; i + 1 < size; ++i) {
        if (text[i] == '\r' && text[i + 1] == '\n') {
            onLine(start, i - start);
            start = i + 2;
            ++i;
        }
    }
    if (start < size)
        onLine(start, size - start);
}

// A line's length as the layout work counts it: its characters (a Big5 lead
// byte and the byte after it are one), a tab as kTabCharacters, and at least
// kMinLineCharacters unless the line is empty.
inline uint64_t LineCharacters(const char* line, size_t length)
{
    uint64_t count = 0;
    for (size_t i = 0; i < length; ++i) {
        const unsigned char b = static_cast<unsigned char>(line[i]);
        if (b == '\t')
            count += kTabCharacters;
        else
            ++count;
        if (b >= 0x81 && b <= 0xFE && i + 1 < length)
            ++i;
    }
    return length == 0 || count >= kMinLineCharacters ? count : kMinLineCharacters;
}

// The layout work of a text shown: the sum of its lines' counted lengths
// squared, and kWorkPerByte for each of its bytes.
inline uint64_t LayoutWork(const char* text, size_t size)
{
    uint64_t work = kWorkPerByte * size;
    ForEachBoxLine(text, size, [text, &work](size_t offset, size_t length) {
        const uint64_t n = LineCharacters(text + offset, length);
        work += n * n;
    });
    return work;
}

// True when the box lays out a text of this much work quickly enough.
inline bool IsWithinBound(uint64_t work) { return work <= kMaxLayoutWork; }

}  // namespace claimlayout
