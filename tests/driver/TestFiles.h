// Files and folders of the test and benchmark programs: the program's own
// folder, temporary folders, and whole files written and read in one go.
#pragma once
#include <string>
#include "DialogPlayer.h"

// The folder of the running program (the build's bin folder).
using toolkit::ProgramFolder;
// A new, empty folder under the temporary folder; empty when none can be
// made.
std::string MakeTempFolder();
// Deletes a folder and everything in it; an empty name deletes nothing.
void RemoveFolder(const std::string& folder);
// Writes bytes as the whole file at path (made anew); false when not all
// could be written.
[[nodiscard]] bool WriteFileBytes(const std::string& path, const std::string& bytes);
// The whole file at path, shared with other readers; false when it cannot
// be opened.
bool ReadFileBytes(const std::string& path, std::string& bytes);
