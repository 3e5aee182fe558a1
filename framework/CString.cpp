#include "CString.h"
#include <cstring>
#include <new>

CString::CString(const char* psz) : CString()
{
    if (psz != nullptr)
        Assign(psz, std::strlen(psz));
}

CString::CString(const char* pch, int nLength) : CString()
{
    Assign(pch, static_cast<size_t>(nLength < 0 ? 0 : nLength));
}

CString::CString(const CString& other) : CString()
{
    Assign(other.m_pData, other.m_nLength);
}

CString& CString::operator=(const CString& other)
{
    Assign(other.m_pData, other.m_nLength);
    return *this;
}

CString::~CString()
{
    if (m_pData != m_local)
        ::operator delete(m_pData);
}

CString& CString::operator=(const char* psz)
{
    Assign(psz != nullptr ? psz : "", psz != nullptr ? std::strlen(psz) : 0);
    return *this;
}

bool CString::operator==(const char* psz) const
{
    if (psz == nullptr)
        return m_nLength == 0;
    return std::strlen(psz) == m_nLength && std::memcmp(m_pData, psz, m_nLength) == 0;
}

void CString::Assign(const char* pch, size_t nLength)
{
    if (nLength <= m_nCapacity) {
        // The source may lie in this string's own bytes.
        std::memmove(m_pData, pch, nLength);
    } else {
        // The new block is filled before the old one goes, for the same reason.
        size_t nCapacity = m_nCapacity * 2 > nLength ? m_nCapacity * 2 : nLength;
        char* pNew = static_cast<char*>(::operator new(nCapacity + 1));
        std::memcpy(pNew, pch, nLength);
        if (m_pData != m_local)
            ::operator delete(m_pData);
        m_pData = pNew;
        m_nCapacity = nCapacity;
    }
    m_nLength = nLength;
    m_pData[nLength] = '\0';
}

char* CString::GetZeroedBuffer(int nLength)
{
    size_t n = static_cast<size_t>(nLength < 0 ? 0 : nLength);
    if (n > m_nCapacity) {
        char* pNew = static_cast<char*>(::operator new(n + 1));
        if (m_pData != m_local)
            ::operator delete(m_pData);
        m_pData = pNew;
        m_nCapacity = n;
    }
    std::memset(m_pData, 0, n + 1);
    m_nLength = n;
    return m_pData;
}

void CString::ReleaseBuffer()
{
    m_nLength = std::strlen(m_pData);
}
