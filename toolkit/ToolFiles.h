// What the command-line tools for claim texts (tovik-claimcheck,
// tovik-preview) share: their one-line errors and their file reading and
// writing, with faults told in words.
#pragma once
#include <windows.h>
#include <cstdint>
#include <functional>
#include <string>

namespace toolkit {

// Prints "TOOL: SUBJECT: WHAT" as one line on the standard error.
void PrintError(const char* tool, const std::string& subject, const std::string& what);

// What a Windows error means for a file, in a few words.
std::string FileFault(DWORD error);
// True for the errors of a file another program holds.
bool IsInUse(DWORD error);

// The start of a file and its whole size.
struct FileStart {
    std::string bytes;
    uint64_t size = 0;
};

// Opens the file at path for reading as the game opens Claim.txt (others may
// read it too) and reads the first countFor(size) bytes of it. Folders and
// device names are refused. On failure fault says why in words and error
// holds the Windows error (0 when there is none).
bool ReadFileStart(const std::string& path, const std::function<uint64_t(uint64_t)>& countFor, FileStart& file,
                   std::string& fault, DWORD& error);

// Writes bytes to a new file at path; an existing file is left alone (error
// ERROR_FILE_EXISTS). A file left half written is deleted.
bool WriteNewFile(const std::string& path, const std::string& bytes, DWORD& error);

} // namespace toolkit
