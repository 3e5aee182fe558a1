#include "CString.h"
#include <cstring>

char* CString::GetBufferSetLength(int nLength)
{
    m_str.assign(static_cast<size_t>(nLength < 0 ? 0 : nLength), '\0');
    return &m_str[0];
}

void CString::ReleaseBuffer()
{
    m_str.resize(std::strlen(m_str.c_str()));
}
