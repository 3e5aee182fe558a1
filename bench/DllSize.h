// The size of a built TovikDlg.dll, read from its file, and the budget each
// build keeps (README.md, "Size budget").
#pragma once
#include <windows.h>
#include <string>

struct DllSize {
    bool read = false;
    WORD machine = 0;
    long long fileBytes = 0;
    long long code = 0;       // sections with code
    long long data = 0;       // other loaded sections but the resources
    long long resources = 0;  // .rsrc
    long long pictures = 0;   // the bitmap resources
    long long debug = 0;      // debugging sections (file only)
    long long symbols = 0;    // COFF symbol table and strings (file only)

    long long LoadedWithoutPictures() const { return code + data + resources - pictures; }
};

// Reads the DLL at path, of either machine.
DllSize MeasureDll(const std::string& path);

struct SizeBudget {
    long long fileBytes;
    long long loadedBytesWithoutPictures;
};

// The budget of the build for machine (IMAGE_FILE_MACHINE_I386 or _AMD64).
SizeBudget BudgetFor(WORD machine);
