// A byte string in the ANSI code page. Holds its bytes unchanged.
//
// Its own small buffer rather than std::string: the DLL then links none of
// the standard library's string code (see README.md, "Size budget").
#pragma once
#include <cstddef>

class CString {
public:
    CString() noexcept : m_pData(m_local), m_nLength(0), m_nCapacity(kLocalCapacity) { m_local[0] = '\0'; }
    CString(const char* psz);
    CString(const char* pch, int nLength);
    CString(const CString& other);
    CString& operator=(const CString& other);
    ~CString();

    int GetLength() const { return static_cast<int>(m_nLength); }
    bool IsEmpty() const { return m_nLength == 0; }
    operator const char*() const { return m_pData; }
    CString& operator=(const char* psz);
    // True when psz holds exactly these bytes (a null psz is the empty string).
    bool operator==(const char* psz) const;

    // Replaces the bytes by nLength zero bytes and a NUL, to be written in
    // place; ReleaseBuffer cuts at the first NUL.
    char* GetZeroedBuffer(int nLength);
    void ReleaseBuffer();

private:
    static const size_t kLocalCapacity = 15;

    // Makes the string the nLength bytes at pch, which may lie in it.
    void Assign(const char* pch, size_t nLength);

    char* m_pData;        // m_local or a block of m_nCapacity + 1 bytes
    size_t m_nLength;
    size_t m_nCapacity;   // bytes it can hold without the NUL
    char m_local[kLocalCapacity + 1];
};
