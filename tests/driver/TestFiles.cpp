#include "TestFiles.h"
#include <windows.h>

std::string MakeTempFolder()
{
    char szBase[MAX_PATH] = "";
    ::GetTempPathA(MAX_PATH, szBase);
    static int s_nCounter = 0;
    // Names left by an earlier run are passed over; any other failure ends it.
    for (;;) {
        std::string folder = std::string(szBase) + "tovik-test-" + std::to_string(::GetCurrentProcessId()) + "-" +
                             std::to_string(++s_nCounter);
        if (::CreateDirectoryA(folder.c_str(), nullptr))
            return folder;
        if (::GetLastError() != ERROR_ALREADY_EXISTS)
            return std::string();
    }
}

void RemoveFolder(const std::string& folder)
{
    if (folder.empty())
        return;  // "\\*" would name the root of the drive
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

bool WriteFileBytes(const std::string& path, const std::string& bytes)
{
    HANDLE hFile = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    DWORD dwWritten = 0;
    const BOOL bWritten = ::WriteFile(hFile, bytes.data(), static_cast<DWORD>(bytes.size()), &dwWritten, nullptr);
    ::CloseHandle(hFile);
    return bWritten && dwWritten == bytes.size();
}

bool ReadFileBytes(const std::string& path, std::string& bytes)
{
    HANDLE hFile = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    bytes.clear();
    char buf[4096];
    DWORD n = 0;
    while (::ReadFile(hFile, buf, sizeof(buf), &n, nullptr) && n > 0)
        bytes.append(buf, n);
    ::CloseHandle(hFile);
    return true;
}
