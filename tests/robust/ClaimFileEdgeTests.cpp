// Claim files at the edges: what the text box shows, or the file error, and
// the call's result.
#include "RobustFixture.h"
#include "CaseNames.h"

namespace {

using Answer = ui::Answer;

// What a plain ANSI text box shows for these bytes. The library passes the
// file's bytes through unchanged, so its text box must show the same.
std::string PlainTextBoxShows(const std::string& bytes)
{
    HWND hEdit = ::CreateWindowExA(0, "EDIT", "", WS_POPUP | ES_MULTILINE | ES_READONLY | WS_VSCROLL, 0, 0, 200, 200,
                                   nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    ::SetWindowTextA(hEdit, bytes.c_str());
    std::string shown = ui::WindowText(hEdit);
    ::DestroyWindow(hEdit);
    return shown;
}

std::string SixteenMegabytes()
{
    std::string line = "\xa4\x40\xa1\x42\xa5\xbb\xb9\x43\xc0\xb8 0123456789 abcdefghijklmnopqrstuvwxyz\r\n";
    std::string text;
    text.reserve(16u << 20);
    while (text.size() + line.size() <= (16u << 20))
        text += line;
    text.resize(16u << 20, 'x');
    return text;
}

// Another process holding Claim.txt while the call runs.
class FileHolder {
public:
    FileHolder(const char* mode, const std::string& path)
    {
        const std::string tag = std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(::GetTickCount());
        const std::string ready = "tovik-holder-ready-" + tag, quit = "tovik-holder-quit-" + tag;
        m_hReady = ::CreateEventA(nullptr, TRUE, FALSE, ready.c_str());
        m_hQuit = ::CreateEventA(nullptr, TRUE, FALSE, quit.c_str());
        std::string command = "\"" + ProgramFolder() + "\\file_holder.exe\" " + mode + " \"" + path + "\" " + ready +
                              " " + quit;
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        if (::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &m_pi)) {
            HANDLE waits[2] = {m_hReady, m_pi.hProcess};
            m_bHolding = ::WaitForMultipleObjects(2, waits, FALSE, 20000) == WAIT_OBJECT_0;
        }
    }
    ~FileHolder()
    {
        ::SetEvent(m_hQuit);
        if (m_pi.hProcess != nullptr) {
            ::WaitForSingleObject(m_pi.hProcess, 10000);
            ::CloseHandle(m_pi.hProcess);
            ::CloseHandle(m_pi.hThread);
        }
        ::CloseHandle(m_hQuit);
        ::CloseHandle(m_hReady);
    }
    bool Holding() const { return m_bHolding; }

private:
    HANDLE m_hReady = nullptr;
    HANDLE m_hQuit = nullptr;
    PROCESS_INFORMATION m_pi = {};
    bool m_bHolding = false;
};

enum class Setup { Bytes, Directory, HeldExclusively, AllBytesLocked };

enum class Shows {
    FileError,        // the file error box, and the dialog never
    AsPlainTextBox,   // what a plain ANSI text box shows for the bytes
    TheBytes,         // the bytes themselves (valid Big5 and ASCII only)
    Nothing,          // an empty text box
    TheBytesOrNothing,// either: a read of locked bytes fails on Windows, not under Wine
};

struct EdgeCase {
    const char* trace;
    Setup setup;
    std::string bytes;  // the file's bytes
    Shows shows;        // when not the file error, the dialog is agreed to
};

} // namespace

class ClaimFileEdge : public RobustFixture, public ::testing::WithParamInterface<EdgeCase> {
};

TEST_P(ClaimFileEdge, ShowsTheBytesOrTheFileError)
{
    const EdgeCase& c = GetParam();
    SCOPED_TRACE(c.trace);
    const std::string path = m_folder + "\\Claim.txt";
    if (c.setup == Setup::Directory)
        ASSERT_TRUE(::CreateDirectoryA(path.c_str(), nullptr));
    else
        WriteClaim(c.bytes);
    std::unique_ptr<FileHolder> holder;
    if (c.setup == Setup::HeldExclusively || c.setup == Setup::AllBytesLocked) {
        holder.reset(new FileHolder(c.setup == Setup::HeldExclusively ? "exclusive" : "range", path));
        ASSERT_TRUE(holder->Holding()) << "file_holder.exe did not take the file";
    }

    ui::DialogRun player(ui::Answer::Agree);
    std::string shown = "<not shown>";
    player.OnPainted([&shown](HWND hDlg, LONGLONG) { shown = ui::WindowText(::GetDlgItem(hDlg, 1000)); });
    player.SetAnswer(Answer::Agree);
    const DWORD start = ::GetTickCount();
    const int result = m_pfnShow(kRightCode);
    const DWORD elapsed = ::GetTickCount() - start;
    const std::vector<std::string> log = player.TakeEvents();

    if (c.shows == Shows::FileError) {
        EXPECT_EQ(result, 1);
        EXPECT_EQ(log, std::vector<std::string>({LOG_FILE_ERROR}));
        EXPECT_EQ(shown, "<not shown>");
    } else {
        EXPECT_EQ(result, 0);
        EXPECT_EQ(log, std::vector<std::string>({"claim shown", "claim hidden"}));
        const std::string expected = c.shows == Shows::AsPlainTextBox ? PlainTextBoxShows(c.bytes)
                                     : c.shows == Shows::Nothing      ? std::string()
                                                                      : c.bytes;
        const bool bNothingAllowed = c.shows == Shows::TheBytesOrNothing && shown.empty();
        EXPECT_TRUE(shown == expected || bNothingAllowed)
            << "the text box holds " << shown.size() << " bytes, expected " << expected.size();
    }
    EXPECT_LT(elapsed, 60000u) << "the call took " << elapsed << " ms";
}

INSTANTIATE_TEST_SUITE_P(Files, ClaimFileEdge,
    ::testing::Values(
        EdgeCase{"a directory named Claim.txt", Setup::Directory, "", Shows::FileError},
        EdgeCase{"16 MB of Big5 lines, over the cap", Setup::Bytes, SixteenMegabytes(), Shows::FileError},
        EdgeCase{"only NUL bytes", Setup::Bytes, std::string(4096, '\0'), Shows::Nothing},
        EdgeCase{"UTF-8 byte-order mark", Setup::Bytes, "\xef\xbb\xbf\xe9\x81\x8a\xe6\x88\xb2 terms\r\n",
                 Shows::AsPlainTextBox},
        EdgeCase{"UTF-16 LE byte-order mark", Setup::Bytes, std::string("\xff\xfe" "a\0b\0", 6), Shows::AsPlainTextBox},
        EdgeCase{"UTF-16 BE byte-order mark", Setup::Bytes, std::string("\xfe\xff\0a\0b", 6), Shows::AsPlainTextBox},
        EdgeCase{"held open by another process with no sharing", Setup::HeldExclusively, "terms\r\n", Shows::FileError},
        EdgeCase{"every byte locked by another process", Setup::AllBytesLocked, "terms\r\n", Shows::TheBytesOrNothing}),
    NameCaseByTrace());
