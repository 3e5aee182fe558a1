// A byte string in the ANSI code page. Holds its bytes unchanged.
#pragma once
#include <string>

class CString {
public:
    CString() = default;
    CString(const char* psz) : m_str(psz ? psz : "") {}
    CString(const char* pch, int nLength) : m_str(pch, pch + nLength) {}

    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    operator const char*() const { return m_str.c_str(); }
    CString& operator=(const char* psz) { m_str = psz ? psz : ""; return *this; }
    bool operator==(const char* psz) const { return m_str == (psz ? psz : ""); }

    // Room for nLength bytes plus a NUL; ReleaseBuffer cuts at the first NUL.
    char* GetBufferSetLength(int nLength);
    void ReleaseBuffer();

private:
    std::string m_str;
};
