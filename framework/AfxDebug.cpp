#include "AfxDebug.h"

#ifndef NDEBUG
#include <windows.h>
#include <cxxabi.h>
#include <exception>
#include <typeinfo>
#include "AfxState.h"
#include "CFile.h"

void AfxReportCaught(const char* pszWhere, long nCode)
{
    // The module whose firewall it was: the framework is linked into each.
    char szModule[MAX_PATH] = "?";
    ::GetModuleFileNameA(AfxGetStaticModuleState()->m_hCurrentInstanceHandle, szModule, MAX_PATH);
    const char* pszModule = szModule;
    for (const char* p = szModule; *p != '\0'; ++p)
        if (*p == '\\' || *p == '/')
            pszModule = p + 1;

    // What was caught: the text of a standard exception, the cause of a file
    // exception, else the (mangled) name of its type.
    char szWhat[200] = "an exception of unknown type";
    try {
        throw;
    } catch (const std::exception& e) {
        ::wsprintfA(szWhat, "std::exception: %.180s", e.what());
    } catch (const CFileException& e) {
        ::wsprintfA(szWhat, "CFileException, cause %d, system error %ld", e.m_cause, e.m_lOsError);
    } catch (...) {
        if (const std::type_info* pType = abi::__cxa_current_exception_type())
            ::wsprintfA(szWhat, "an exception of type %.160s", pType->name());
    }

    char szLine[MAX_PATH + 400];
    if (nCode != -1)
        ::wsprintfA(szLine, "%s: %.100s (code 0x%lX) caught %s\n", pszModule, pszWhere, nCode, szWhat);
    else
        ::wsprintfA(szLine, "%s: %.100s caught %s\n", pszModule, pszWhere, szWhat);
    ::OutputDebugStringA(szLine);
}
#endif
