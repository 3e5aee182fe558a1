// tovik-preview: shows the real claim dialog of TovikDlg.dll with a claim
// text, captures it from the screen as the player sees it, saves the picture
// as a BMP file and presses Agree. No player is needed.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "CDibImage.h"
#include "DialogPlayer.h"
#include "LivePreview.h"
#include "ToolFiles.h"
#include "TovikDlg.h"
#include "claim_layout.h"

namespace {

const int kExitSuccess = 0;     // the picture was written, or help or version shown
const int kExitNoDialog = 1;    // the dialog could not be shown, captured or ended
const int kExitBadInput = 2;    // wrong command line, or the claim file cannot be read
const int kExitNoOutput = 3;    // the picture cannot be written

const uint64_t kClaimCap = TOVIK_CLAIM_MAX_BYTES;

const char kHelp[] =
    "Usage: tovik-preview CLAIM_FILE OUT.bmp [--hover agree|disagree] [--focus agree|disagree]\n"
    "\n"
    "Shows the claim dialog of TovikDlg.dll (loaded from this program's folder)\n"
    "with CLAIM_FILE as its Claim.txt, captures the dialog from the screen as the\n"
    "player sees it, saves the picture as OUT.bmp and presses Agree. It needs a\n"
    "display and moves the mouse pointer when it rests on the dialog.\n"
    "\n"
    "  --hover BUTTON  rest the mouse pointer on the Agree or Disagree button\n"
    "                  (its caption turns red); otherwise the pointer is kept off\n"
    "                  the dialog\n"
    "  --focus BUTTON  give that button the keyboard focus (the dialog starts\n"
    "                  with the focus on Agree)\n"
    "  --help          show this text\n"
    "  --version       show the version of this program\n"
    "\n"
    "Exit status: 0 the picture was saved; 1 the dialog could not be shown,\n"
    "captured or ended; 2 wrong command line, or CLAIM_FILE cannot be read, is\n"
    "larger than the game shows (1 MiB) or has lines too long for the game to lay\n"
    "out (see tovik-claimcheck); 3 OUT.bmp cannot be written.\n";

struct Options {
    std::string claimPath;
    std::string outPath;
    int hoverId = 0;
    int focusId = 0;
};

void Error(const std::string& subject, const std::string& what)
{
    toolkit::PrintError("tovik-preview", subject, what);
}

std::string FullPath(const std::string& path)
{
    char szFull[MAX_PATH];
    const DWORD n = ::GetFullPathNameA(path.c_str(), MAX_PATH, szFull, nullptr);
    return n > 0 && n < MAX_PATH ? std::string(szFull, n) : path;
}

// Tells whether path can be written before the dialog is shown, and leaves
// things as they were.
bool CanWrite(const std::string& path, std::string& fault)
{
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        fault = "a folder, not a file";
        return false;
    }
    CScopedFile file(
        ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
        fault = toolkit::FileFault(::GetLastError());
        return false;
    }
    const bool bCreated = ::GetLastError() != ERROR_ALREADY_EXISTS;
    file.Reset();
    if (bCreated)
        ::DeleteFileA(path.c_str());
    return true;
}

// A fresh folder under the temporary folder that becomes the current
// directory, holding the claim text as Claim.txt, as the game's folder would.
// The previous current directory comes back and the folder goes when the
// object does.
class ClaimFolder {
public:
    bool Create(const std::string& claimBytes, std::string& fault)
    {
        char szTemp[MAX_PATH] = "";
        ::GetTempPathA(MAX_PATH, szTemp);
        for (int n = 1; m_folder.empty() && n < 100; ++n) {
            const std::string folder =
                std::string(szTemp) + "tovik-preview-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(n);
            if (::CreateDirectoryA(folder.c_str(), nullptr))
                m_folder = folder;
        }
        if (m_folder.empty()) {
            fault = std::string(szTemp) + ": cannot make a folder: " + toolkit::FileFault(::GetLastError());
            return false;
        }
        DWORD error = 0;
        if (!toolkit::WriteNewFile(m_folder + "\\Claim.txt", claimBytes, error)) {
            fault = m_folder + "\\Claim.txt: cannot write: " + toolkit::FileFault(error);
            return false;
        }
        char szCurrent[MAX_PATH] = "";
        ::GetCurrentDirectoryA(MAX_PATH, szCurrent);
        m_previous = szCurrent;
        if (!::SetCurrentDirectoryA(m_folder.c_str())) {
            fault = m_folder + ": cannot enter: " + toolkit::FileFault(::GetLastError());
            return false;
        }
        return true;
    }
    ~ClaimFolder()
    {
        if (m_folder.empty())
            return;
        if (!m_previous.empty())
            ::SetCurrentDirectoryA(m_previous.c_str());
        ::DeleteFileA((m_folder + "\\Claim.txt").c_str());
        ::RemoveDirectoryA(m_folder.c_str());
    }

private:
    std::string m_folder;
    std::string m_previous;
};

// Writes the captured bitmap as a BMP file through the library's image class.
bool SavePicture(HBITMAP hPicture, const std::string& path, std::string& fault)
{
    CDibImage image;
    CBorrowed<CBitmap> bitmap(hPicture);  // the caller's
    CClientDC screen(nullptr);            // no window: the screen's
    if (!image.CreateFromBitmap(&screen, &bitmap)) {
        fault = "cannot make an image of the capture";
        return false;
    }
    // A Save that fails leaves a file already at path as it was.
    ::SetLastError(0);
    try {
        if (image.Save(CString(path.c_str())))
            return true;
        fault = toolkit::FileFault(::GetLastError());
    } catch (const CFileException& e) {
        fault = toolkit::FileFault(static_cast<DWORD>(e.m_lOsError));
    }
    return false;
}

bool ParseButton(const std::string& value, int& nId)
{
    if (lstrcmpiA(value.c_str(), "agree") == 0)
        nId = IDOK;
    else if (lstrcmpiA(value.c_str(), "disagree") == 0)
        nId = IDCANCEL;
    else
        return false;
    return true;
}

// Returns the exit status to end with, or -1 to go on.
int ParseOptions(int argc, char** argv, Options& options)
{
    std::string positional[2];
    int nPositional = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h" || arg == "/?") {
            std::fputs(kHelp, stdout);
            return kExitSuccess;
        }
        if (arg == "--version") {
            std::printf("tovik-preview %s (%s)\n", TOVIK_VERSION_STRING, sizeof(void*) == 8 ? "x64" : "x86");
            return kExitSuccess;
        }
        if (arg == "--hover" || arg == "--focus") {
            int& nId = arg == "--hover" ? options.hoverId : options.focusId;
            if (i + 1 >= argc || !ParseButton(argv[i + 1], nId)) {
                Error("usage", arg + " needs agree or disagree (see --help)");
                return kExitBadInput;
            }
            ++i;
        } else if (arg.size() > 1 && arg[0] == '-') {
            Error("usage", "unknown option " + arg + " (see --help)");
            return kExitBadInput;
        } else if (nPositional < 2) {
            positional[nPositional++] = arg;
        } else {
            Error("usage", "one CLAIM_FILE and one OUT.bmp (see --help)");
            return kExitBadInput;
        }
    }
    if (nPositional < 2) {
        Error("usage", "tovik-preview CLAIM_FILE OUT.bmp [--hover agree|disagree] [--focus agree|disagree]");
        return kExitBadInput;
    }
    options.claimPath = positional[0];
    options.outPath = positional[1];
    return -1;
}

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    const int nParsed = ParseOptions(argc, argv, options);
    if (nParsed >= 0)
        return nParsed;

    // The whole claim text, read as the game reads it; a file over the
    // game's cap is refused from its size, as the game refuses it.
    toolkit::FileStart claim;
    std::string fault;
    DWORD error = 0;
    if (!toolkit::ReadFileStart(options.claimPath, [](uint64_t size) { return size > kClaimCap ? 0 : size; }, claim,
                                fault, error)) {
        Error(options.claimPath, "cannot read: " + fault);
        return kExitBadInput;
    }
    if (claim.size > kClaimCap) {
        Error(options.claimPath, "too large: " + std::to_string(claim.size) + " bytes, over the game's cap of " +
                                     std::to_string(kClaimCap) +
                                     " bytes; the game shows \"Important file cannot be read!\" instead of the dialog");
        return kExitBadInput;
    }
    const uint64_t work = claimlayout::LayoutWork(claim.bytes.c_str(), std::strlen(claim.bytes.c_str()));
    if (!claimlayout::IsWithinBound(work)) {
        Error(options.claimPath, "lines too long for the text box, which ends a line only at CR LF: the squares "
                                 "of their lengths in characters and 16 for each byte add up to " + std::to_string(work) + ", over the game's bound of " +
                                     std::to_string(claimlayout::kMaxLayoutWork) +
                                     "; the game shows \"Important file cannot be read!\" instead of the dialog "
                                     "(tovik-claimcheck names the longest lines)");
        return kExitBadInput;
    }
    // The picture's path as given from here, before the current directory changes.
    const std::string outPath = FullPath(options.outPath);
    if (!CanWrite(outPath, fault)) {
        Error(options.outPath, "cannot write: " + fault);
        return kExitNoOutput;
    }

    preview::Outcome outcome;
    {
        ClaimFolder folder;
        if (!folder.Create(claim.bytes, fault)) {
            Error("temporary folder", fault);
            return kExitNoDialog;
        }
        preview::Request request;
        request.dllPath = toolkit::ProgramFolder() + "\\TovikDlg.dll";
        request.hoverId = options.hoverId;
        request.focusId = options.focusId;
        outcome = preview::Capture(request);
    }
    if (!outcome.captured) {
        Error("dialog", outcome.fault);
        return kExitNoDialog;
    }
    if (!SavePicture(outcome.picture.Get(), outPath, fault)) {
        Error(options.outPath, "cannot write: " + fault);
        return kExitNoOutput;
    }
    BITMAP bm = {};
    ::GetObjectA(outcome.picture.Get(), sizeof(bm), &bm);
    std::printf("tovik-preview: %s: the dialog with %s, %ld x %ld pixels\n", options.outPath.c_str(),
                options.claimPath.c_str(), bm.bmWidth, bm.bmHeight);
    if (!outcome.settled)
        Error(options.outPath, "warning: the dialog was still changing when it was captured");
    if (!outcome.ended || outcome.result != 0) {
        Error("dialog", outcome.fault.empty() ? "ShowMainDialog returned " + std::to_string(outcome.result) +
                                                    " after Agree, not 0"
                                              : outcome.fault);
        return kExitNoDialog;
    }
    return kExitSuccess;
}
