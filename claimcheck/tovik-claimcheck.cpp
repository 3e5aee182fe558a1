// tovik-claimcheck: tells the people who write a claim text file what the
// player will see of it in the claim dialog, and writes a corrected copy.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "claim_check.h"
#include "claim_layout.h"
#include "ToolFiles.h"
#include "system_big5.h"
#include "TovikDlg.h"

// The checker judges a file by the game's own cap.
static_assert(claimcheck::kShowLimit == TOVIK_CLAIM_MAX_BYTES, "the checker's cap is the game's");
static_assert(claimlayout::kMaxLayoutWork == TOVIK_CLAIM_MAX_LAYOUT, "the checker's layout bound is the game's");

namespace {

using namespace claimcheck;

const int kExitShown = 0;       // every file shows as written
const int kExitNotShown = 1;    // some file does not
const int kExitUnreadable = 2;  // some file could not be read, a copy not written, or bad usage

const char kHelp[] =
    "Usage: tovik-claimcheck [--fix] [--out PATH] [--all] FILE...\n"
    "\n"
    "Checks claim text files (Claim.txt) for what the player sees of them in the\n"
    "claim dialog of TovikDlg.dll. The dialog shows the file's bytes as they are,\n"
    "as Big5 text (code page 950): it converts nothing, the text ends at the first\n"
    "NUL byte, and the text box starts a new line only at CR LF.\n"
    "\n"
    "For each FILE it prints one line per problem, with the line number (as a text\n"
    "editor counts lines) and the byte offset from the start of the file, then a\n"
    "verdict:\n"
    "  Claim.txt: line 3, byte 120 (0x78): LF line end without CR: the box does not ...\n"
    "  Claim.txt: NOT OK: the player does not see this text as written (1 problem). ...\n"
    "  Claim.txt: OK: the player sees this text as written (2048 bytes, 40 lines).\n"
    "\n"
    "Problems: bytes that are not valid Big5; user-defined Big5 characters; a UTF-8\n"
    "or UTF-16 byte-order mark; text saved as UTF-8; NUL bytes; line ends other than\n"
    "CR LF; an empty file; a file over the game's cap of 1 MiB (1048576 bytes),\n"
    "and lines too long for the text box to lay out in time (the squares of the\n"
    "line lengths and 16 for each byte add up to more than 69000000; lines end\n"
    "only at CR LF and are counted in characters, a tab as 32, a line as at\n"
    "least 64): the game reports either as unreadable instead of showing it.\n"
    "\n"
    "Options:\n"
    "  --fix       write a corrected copy of each FILE that needs one, next to it as\n"
    "              NAME.fixed.EXT (Claim.txt gives Claim.fixed.txt): line ends made\n"
    "              CR LF, byte-order mark removed, UTF-8 or UTF-16 text converted to\n"
    "              Big5, NUL bytes at the very end removed. It refuses, and says\n"
    "              why, when a character has no Big5 form or a problem needs a\n"
    "              person (invalid bytes, a NUL inside the text, a file too large,\n"
    "              lines too long even with CR LF line ends).\n"
    "              It never writes over an existing file or the original.\n"
    "  --out PATH  with one FILE: write the corrected copy to PATH (implies --fix)\n"
    "  --all       list every problem (otherwise at most 10 of each kind)\n"
    "  --help      show this text\n"
    "  --version   show the version of this program\n"
    "\n"
    "Exit status: 0 when every FILE shows as written, 1 when some FILE does not\n"
    "(--fix does not change this), 2 when some FILE cannot be read, a corrected\n"
    "copy cannot be written, or the command line is wrong.\n";

struct Options {
    bool version = false;  // --version: print it and do nothing else
    bool fix = false;
    bool listAll = false;
    std::string out;
    std::vector<std::string> files;
};

void Error(const std::string& path, const std::string& what)
{
    toolkit::PrintError("tovik-claimcheck", path, what);
}

// Writes a corrected copy to a new file; an existing file is left alone.
// Returns the exit status it adds.
int WriteCopy(const std::string& path, const std::string& outPath, const Correction& correction)
{
    DWORD error = 0;
    if (!toolkit::WriteNewFile(outPath, correction.text, error)) {
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) {
            std::printf("%s: not corrected: %s already exists and is left as it is; delete it or name "
                        "another file with --out.\n",
                        path.c_str(), outPath.c_str());
            return kExitShown;
        }
        Error(outPath, "cannot write: " + toolkit::FileFault(error));
        return kExitUnreadable;
    }
    std::string changes;
    for (const std::string& change : correction.changes)
        changes += (changes.empty() ? "" : "; ") + change;
    std::printf("%s: corrected copy written to %s: %s. It checks OK.\n", path.c_str(), outPath.c_str(),
                changes.c_str());
    return kExitShown;
}

int CheckFile(const std::string& path, const Options& options, const Big5CodePage& codePage)
{
    // What the check needs of the file, opened as the game opens it.
    toolkit::FileStart file;
    std::string fault;
    DWORD error = 0;
    if (!toolkit::ReadFileStart(path, [](uint64_t size) { return BytesToRead(size); }, file, fault, error)) {
        Error(path, "cannot read: " + fault +
                        (toolkit::IsInUse(error) ? " (the game could not read it now either)" : ""));
        return kExitUnreadable;
    }
    const Report report = CheckClaim(file.bytes, file.size, codePage);
    const Correction correction = CorrectClaim(file.bytes, report, codePage);
    for (const std::string& line : DescribeReport(report, correction, options.listAll))
        std::printf("%s: %s\n", path.c_str(), line.c_str());

    int status = report.ShowsAsWritten() ? kExitShown : kExitNotShown;
    if (options.fix) {
        if (report.ShowsAsWritten())
            std::printf("%s: nothing to correct; no copy written.\n", path.c_str());
        else if (!correction.done)
            std::printf("%s: not corrected: %s.\n", path.c_str(), correction.refusal.c_str());
        else
            status = std::max(status, WriteCopy(path, options.out.empty() ? CorrectedCopyPath(path) : options.out,
                                                correction));
    }
    std::fflush(stdout);
    return status;
}

bool ParseOptions(int argc, char** argv, Options& options, bool& help)
{
    bool endOfOptions = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (endOfOptions || arg.empty() || (arg[0] != '-' && arg != "/?") || arg == "-") {
            options.files.push_back(arg);
        } else if (arg == "--") {
            endOfOptions = true;
        } else if (arg == "--help" || arg == "-h" || arg == "/?") {
            help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--fix") {
            options.fix = true;
        } else if (arg == "--all") {
            options.listAll = true;
        } else if (arg == "--out" && i + 1 < argc) {
            options.out = argv[++i];
            options.fix = true;
        } else {
            Error("usage", arg == "--out" ? "--out needs a PATH" : "unknown option " + arg + " (see --help)");
            return false;
        }
    }
    if (help || options.version)
        return true;
    if (options.files.empty()) {
        Error("usage", "no FILE given (see --help)");
        return false;
    }
    if (!options.out.empty() && options.files.size() != 1) {
        Error("usage", "--out takes exactly one FILE");
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    bool help = false;
    if (!ParseOptions(argc, argv, options, help))
        return kExitUnreadable;
    if (help) {
        std::fputs(kHelp, stdout);
        return kExitShown;
    }
    if (options.version) {
        std::printf("tovik-claimcheck %s (%s)\n", TOVIK_VERSION_STRING, sizeof(void*) == 8 ? "x64" : "x86");
        return kExitShown;
    }
    if (!SystemBig5::Available()) {
        Error("code page 950", "not available on this system; it is needed to check Big5 text");
        return kExitUnreadable;
    }
    const SystemBig5 codePage;
    int status = kExitShown;
    for (const std::string& path : options.files)
        status = std::max(status, CheckFile(path, options, codePage));
    return status;
}
