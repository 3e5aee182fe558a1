// Claim texts on both sides of the layout bound (TOVIK_CLAIM_MAX_LAYOUT:
// lines end only at CR LF and count in characters squared, each byte 16),
// for the tests of the DLL, the checker and the preview: the three must
// agree on every one.
#pragma once
#include <string>
#include <vector>

struct LayoutBoundFile {
    const char* name;
    std::string bytes;
    bool shows;        // the game shows it; otherwise "Important file cannot be read!"
    const char* work;  // the layout work the tools name for a file over the bound
};

inline std::vector<LayoutBoundFile> LayoutBoundFiles()
{
    // n Chinese characters ("一"), two bytes each.
    auto chinese = [](size_t n) {
        std::string s;
        for (size_t i = 0; i < n; ++i)
            s += "\xa4\x40";
        return s;
    };
    // 16 lines of n characters: about 64 KiB of 4 KiB paragraphs.
    auto paragraphs = [&chinese](size_t n) {
        std::string s;
        for (int i = 0; i < 16; ++i)
            s += chinese(n) + "\r\n";
        return s;
    };
    const std::string cr = chinese(4096) + "\r" + chinese(4192), lf = chinese(4096) + "\n" + chinese(4192);
    return {
        {"NoEnd8290.txt", chinese(8289) + "a", true, ""},
        {"NoEnd8291.txt", chinese(8289) + "aa", false, "69005961"},
        {"CrOnly8290.txt", cr + "a", true, ""},
        {"CrOnly8291.txt", cr + "aa", false, "69005945"},
        {"LfOnly8290.txt", lf + "a", true, ""},
        {"LfOnly8291.txt", lf + "aa", false, "69005945"},
        {"Paragraphs2060.txt", paragraphs(2060), true, ""},
        {"Paragraphs2061.txt", paragraphs(2061), false, "69019280"},
        // Letters from the first byte on; an empty first line, which counts only its bytes.
        {"Letters8298.txt", "\r\n" + std::string(8298, 'a'), true, ""},
        {"Letters8299.txt", std::string(8299, 'a'), false, "69006185"},
    };
}
