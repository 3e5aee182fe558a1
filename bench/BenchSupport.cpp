#include "BenchSupport.h"
#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace bench {

namespace {

// "提示訊息" (Notice) and "您必需選擇同意才能繼續進行遊戲！" (You must choose
// Agree to go on with the game!), the texts of the library's refusal message.
const char kNotice[] = "\xb4\xa3\xa5\xdc\xb0\x54\xae\xa7";
const char kMustAgree[] = "\xb1\x7a\xa5\xb2\xbb\xdd\xbf\xef\xbe\xdc\xa6\x50\xb7\x4e\xa4\x7e\xaf\xe0\xc4\x7e"
                          "\xc4\xf2\xb6\x69\xa6\xe6\xb9\x43\xc0\xb8\xa1\x49";

INT_PTR CALLBACK PlainDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        ::SetDlgItemTextA(hDlg, 1000, ClaimText().c_str());
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) {
            // What the player sees of a refusal: the dialog goes, the message comes.
            ::ShowWindow(hDlg, SW_HIDE);
            ::MessageBoxA(hDlg, kMustAgree, kNotice, MB_OK);
        }
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            ::EndDialog(hDlg, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace

double TicksToMs(LONGLONG ticks)
{
    static const double s_msPerTick = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return 1000.0 / static_cast<double>(f.QuadPart);
    }();
    return static_cast<double>(ticks) * s_msPerTick;
}

double NowMs()
{
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return TicksToMs(t.QuadPart);
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

const std::string& ClaimText()
{
    static const std::string s_text = [] {
        // "第 N 條：本遊戲之使用者應遵守本條款之全部內容。" (Article N: users of the
        // game shall keep to the whole of these terms.)
        std::string text = "\xb9\x43\xc0\xb8\xa8\xcf\xa5\xce\xaa\xcc\xb1\xf8\xb4\xda\r\n\r\n";  // 遊戲使用者條款
        for (int i = 1; i <= 40; ++i)
            text += "\xb2\xc4 " + std::to_string(i) +
                    " \xb1\xf8\xa1\x47\xa5\xbb\xb9\x43\xc0\xb8\xa4\xa7\xa8\xcf\xa5\xce\xaa\xcc\xc0\xb3\xbf\xf0"
                    "\xa6\x75\xa5\xbb\xb1\xf8\xb4\xda\xa4\xa7\xa5\xfe\xb3\xa1\xa4\xba\xae\x65\xa1\x43\r\n";
        return text;
    }();
    return s_text;
}

Library::Library()
{
    char szCurrent[MAX_PATH] = "";
    ::GetCurrentDirectoryA(MAX_PATH, szCurrent);
    m_previousFolder = szCurrent;
    // Without its claim text the library would show the file error instead
    // of the dialog: then it counts as not loaded.
    m_folder = MakeTempFolder();
    if (m_folder.empty() || !::SetCurrentDirectoryA(m_folder.c_str()) ||
        !WriteFileBytes(m_folder + "\\Claim.txt", ClaimText()))
        return;

    m_hLib = ::LoadLibraryA((ProgramFolder() + "\\TovikDlg.dll").c_str());
    if (m_hLib != nullptr)
        m_pfnShow = reinterpret_cast<TOVIK_SHOW_MAIN_DIALOG>(
            reinterpret_cast<void*>(::GetProcAddress(m_hLib, "ShowMainDialog")));
}

Library::~Library()
{
    if (m_hLib != nullptr)
        ::FreeLibrary(m_hLib);
    ::SetCurrentDirectoryA(m_previousFolder.c_str());
    RemoveFolder(m_folder);
}

INT_PTR RunPlainDialog(HMODULE hLib)
{
    HRSRC hRes = ::FindResourceA(hLib, MAKEINTRESOURCEA(100), RT_DIALOG);
    const void* pTemplate = hRes ? ::LockResource(::LoadResource(hLib, hRes)) : nullptr;
    if (pTemplate == nullptr)
        return -1;
    return ::DialogBoxIndirectParamA(hLib, static_cast<LPCDLGTEMPLATEA>(pTemplate), nullptr, PlainDialogProc, 0);
}

std::string Format(const char* format, ...)
{
    char buf[2048];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buf, sizeof(buf), format, args);
    va_end(args);
    return buf;
}

std::string Met(double ratio, double limit)
{
    return ratio <= limit ? "yes" : "no";
}

int Fail(const char* what)
{
    char szProgram[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, szProgram, MAX_PATH);
    std::string name = szProgram;
    name = name.substr(name.find_last_of("\\/") + 1);
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".exe") == 0)
        name.resize(name.size() - 4);
    std::printf("%s: %s\n", name.c_str(), what);
    std::fflush(stdout);
    return 1;
}

void PrintTable(const char* title, const std::vector<std::string>& notes, const std::vector<Row>& rows)
{
    std::printf("## %s\n\n", title);
    for (const std::string& note : notes)
        std::printf("%s\n", note.c_str());
    std::printf("\n| figure | value | floor | ratio | target | met |\n|---|---:|---:|---:|---:|:-:|\n");
    for (const Row& r : rows)
        std::printf("| %s | %s | %s | %s | %s | %s |\n", r.figure.c_str(), r.value.c_str(), r.floor.c_str(),
                    r.ratio.c_str(), r.target.c_str(), r.met.c_str());
    std::printf("\n");
    std::fflush(stdout);
}

} // namespace bench
