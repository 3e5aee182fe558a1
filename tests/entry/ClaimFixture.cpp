#include "ClaimFixture.h"
#include <vector>

const char kRightCode[] = TOVIK_ACCESS_CODE;

std::string ProgramFolder()
{
    char szPath[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, szPath, MAX_PATH);
    std::string path(szPath);
    return path.substr(0, path.find_last_of('\\'));
}

std::string MakeTempFolder()
{
    char szBase[MAX_PATH] = "";
    ::GetTempPathA(MAX_PATH, szBase);
    static int s_nCounter = 0;
    for (;;) {
        std::string folder = std::string(szBase) + "tovik-test-" + std::to_string(::GetCurrentProcessId()) + "-" +
                             std::to_string(++s_nCounter);
        if (::CreateDirectoryA(folder.c_str(), nullptr))
            return folder;
    }
}

void RemoveFolder(const std::string& folder)
{
    WIN32_FIND_DATAA data;
    HANDLE hFind = ::FindFirstFileA((folder + "\\*").c_str(), &data);
    if (hFind != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = folder + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveFolder(path);
            else
                ::DeleteFileA(path.c_str());
        } while (::FindNextFileA(hFind, &data));
        ::FindClose(hFind);
    }
    ::RemoveDirectoryA(folder.c_str());
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    HANDLE hFile = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(hFile, INVALID_HANDLE_VALUE) << path;
    DWORD dwWritten = 0;
    ::WriteFile(hFile, bytes.data(), static_cast<DWORD>(bytes.size()), &dwWritten, nullptr);
    ::CloseHandle(hFile);
    ASSERT_EQ(dwWritten, bytes.size());
}

void ClaimFixture::SetUp()
{
    char szCurrent[MAX_PATH] = "";
    ::GetCurrentDirectoryA(MAX_PATH, szCurrent);
    m_previousFolder = szCurrent;
    m_folder = MakeTempFolder();
    ASSERT_TRUE(::SetCurrentDirectoryA(m_folder.c_str()));
    LoadLibraryFrom(ProgramFolder() + "\\TovikDlg.dll");
}

void ClaimFixture::LoadLibraryFrom(const std::string& dllPath)
{
    if (m_hLib != nullptr)
        ::FreeLibrary(m_hLib);
    m_hLib = ::LoadLibraryA(dllPath.c_str());
    ASSERT_NE(m_hLib, nullptr) << dllPath;
    m_pfnShow = reinterpret_cast<ShowMainDialogFn>(
        reinterpret_cast<void*>(::GetProcAddress(m_hLib, "ShowMainDialog")));
    ASSERT_NE(m_pfnShow, nullptr);
}

void ClaimFixture::TearDown()
{
    if (m_hLib != nullptr)
        ::FreeLibrary(m_hLib);
    ::SetCurrentDirectoryA(m_previousFolder.c_str());
    RemoveFolder(m_folder);
}

std::unique_ptr<ui::DialogRun> ClaimFixture::Start(const char* code)
{
    ShowMainDialogFn pfnShow = m_pfnShow;
    return std::unique_ptr<ui::DialogRun>(new ui::DialogRun([pfnShow, code] { return pfnShow(code); }));
}
