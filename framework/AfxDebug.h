// What the framework's firewalls report: the catch-alls that keep exceptions
// out of the system's frames (window procedure, dialog procedure, hook) and
// out of a DLL's export. Debug builds tell a debugger, through
// OutputDebugStringA, where an exception was caught and what it was; release
// builds say nothing and carry none of this code.
#pragma once

#ifdef NDEBUG
inline void AfxReportCaught(const char*, long = -1) {}
#else
// Call inside a catch block only. pszWhere names the place that caught the
// exception, nCode the message or hook code it was handling (-1: none).
void AfxReportCaught(const char* pszWhere, long nCode = -1);
#endif
