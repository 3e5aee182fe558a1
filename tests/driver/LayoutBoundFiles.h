// Claim texts on both sides of the layout bound (8192 characters on one line
// of the box, which ends a line only at CR LF), for the tests of the DLL,
// the checker and the preview: the three must agree on every one.
#pragma once
#include <string>
#include <vector>

struct LayoutBoundFile {
    const char* name;
    std::string bytes;
    bool shows;  // the game shows it; otherwise "Important file cannot be read!"
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
    std::string paragraphs;  // 16 lines of 2,048 characters: 64 KiB of 4 KiB paragraphs
    for (int i = 0; i < 16; ++i)
        paragraphs += chinese(2048) + "\r\n";
    return {
        {"NoEnd8192.txt", chinese(4096) + chinese(4096), true},
        {"NoEnd8193.txt", chinese(4096) + chinese(4096) + "a", false},
        {"CrOnly8192.txt", chinese(4096) + "\r" + chinese(4094) + "a", true},
        {"CrOnly8193.txt", chinese(4096) + "\r" + chinese(4096), false},
        {"LfOnly8192.txt", chinese(4096) + "\n" + chinese(4094) + "a", true},
        {"LfOnly8193.txt", chinese(4096) + "\n" + chinese(4096), false},
        {"Paragraphs.txt", paragraphs, true},
        {"Paragraphs+1.txt", paragraphs + "a", false},
    };
}
