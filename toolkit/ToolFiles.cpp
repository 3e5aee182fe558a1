#include "ToolFiles.h"
#include "ScopedHandle.h"
#include <algorithm>
#include <cstdio>
#include <cstring>

namespace toolkit {

void PrintError(const char* tool, const std::string& subject, const std::string& what)
{
    std::fprintf(stderr, "%s: %s: %s\n", tool, subject.c_str(), what.c_str());
}

bool IsInUse(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

std::string FileFault(DWORD error)
{
    if (IsInUse(error))
        return "in use by another program";
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
        return "no such file";
    case ERROR_PATH_NOT_FOUND:
        return "no such folder";
    case ERROR_ACCESS_DENIED:
        return "access denied";
    case ERROR_INVALID_NAME:
        return "not a valid file name";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return "the disk is full";
    default:
        return "Windows error " + std::to_string(error);
    }
}

bool ReadFileStart(const std::string& path, const std::function<uint64_t(uint64_t)>& countFor, FileStart& file,
                   std::string& fault, DWORD& error)
{
    error = 0;
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        fault = "a folder, not a file";
        return false;
    }
    // Names such as NUL or CON name a device, whose full path is \\.\NAME:
    // refused before it is opened, which may fail otherwise (CON without a
    // console) or block.
    char szFull[MAX_PATH];
    const DWORD nFull = ::GetFullPathNameA(path.c_str(), MAX_PATH, szFull, nullptr);
    if (nFull > 4 && nFull < MAX_PATH && std::strncmp(szFull, "\\\\.\\", 4) == 0) {
        fault = "a device name, not a file";
        return false;
    }
    const CScopedFile opened(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!opened.IsValid()) {
        error = ::GetLastError();
        fault = FileFault(error);
        return false;
    }
    // Anything else that is not a file on a disk (a pipe) is refused too.
    bool ok = ::GetFileType(opened.Get()) == FILE_TYPE_DISK;
    if (!ok)
        fault = "a device name, not a file";
    LARGE_INTEGER size;
    if (ok && !::GetFileSizeEx(opened.Get(), &size)) {
        error = ::GetLastError();
        fault = FileFault(error);
        ok = false;
    }
    if (ok) {
        file.size = static_cast<uint64_t>(size.QuadPart);
        file.bytes.assign(static_cast<size_t>(countFor(file.size)), '\0');
        size_t done = 0;
        while (ok && done < file.bytes.size()) {
            DWORD got = 0;
            const DWORD want = static_cast<DWORD>(std::min<size_t>(file.bytes.size() - done, 1 << 20));
            if (!::ReadFile(opened.Get(), &file.bytes[done], want, &got, nullptr)) {
                error = ::GetLastError();
                fault = FileFault(error);
                ok = false;
            } else if (got == 0) {
                fault = "it ended after " + std::to_string(done) + " of " + std::to_string(file.bytes.size()) +
                        " bytes";
                ok = false;
            }
            done += got;
        }
    }
    return ok;
}

bool WriteNewFile(const std::string& path, const std::string& bytes, DWORD& error)
{
    CScopedFile out(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out.IsValid()) {
        error = ::GetLastError();
        return false;
    }
    DWORD written = 0;
    const bool ok = ::WriteFile(out.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    // A write that stops short without an error has run out of room.
    error = ok ? 0 : ::GetLastError() != 0 ? ::GetLastError() : ERROR_HANDLE_DISK_FULL;
    out.Reset();  // closed before a failed file is deleted
    if (!ok)
        ::DeleteFileA(path.c_str());
    return ok;
}

} // namespace toolkit
