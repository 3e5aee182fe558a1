// The DLL's terminate handler, linked into the DLL only.
//
// It stands in for libstdc++'s verbose handler (the default one, which the
// runtime names __gnu_cxx::__verbose_terminate_handler): that one prints the
// demangled type of the exception, and its demangler and the printf core it
// uses came to about 78 KiB of the x86 DLL's loaded code and data (README.md,
// "Size budget"). This one prints the type's mangled name and aborts, as the
// other does. No exception may leave the DLL's window procedures or its
// export, so it is not expected to run. The runtime's reference to the name
// is met here, so the linker takes no member of libstdc++ for it.
#include <cstdio>
#include <cstdlib>
#include <cxxabi.h>
#include <typeinfo>

namespace __gnu_cxx {

void __verbose_terminate_handler()
{
    if (std::type_info* pType = abi::__cxa_current_exception_type()) {
        std::fputs("terminate called after throwing an exception of type ", stderr);
        std::fputs(pType->name(), stderr);
        std::fputs("\n", stderr);
    } else {
        std::fputs("terminate called without an active exception\n", stderr);
    }
    std::abort();
}

} // namespace __gnu_cxx
