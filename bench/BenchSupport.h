// What the benchmarks of the library share: the built library loaded as a
// game loads it, with a claim text in a folder of its own; the plain system
// dialog made from the library's own template; timing, medians and the
// Markdown table every benchmark prints.
#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "TestFiles.h"
#include "TovikDlg.h"

namespace ui {
class DialogRun;
}

namespace bench {

// Milliseconds from QueryPerformanceCounter.
double NowMs();
double TicksToMs(LONGLONG ticks);
double Median(std::vector<double> values);

// A claim text of forty Big5 lines, as a game ships it.
const std::string& ClaimText();

// The built TovikDlg.dll loaded from this program's folder, with ClaimText()
// as Claim.txt in a temporary current directory.
class Library {
public:
    Library();
    ~Library();
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    bool Loaded() const { return m_pfnShow != nullptr; }
    HMODULE Module() const { return m_hLib; }
    int Show() const { return m_pfnShow(TOVIK_ACCESS_CODE); }

private:
    std::string m_previousFolder;
    std::string m_folder;
    HMODULE m_hLib = nullptr;
    TOVIK_SHOW_MAIN_DIALOG m_pfnShow = nullptr;
};

// The floor of the dialog benchmarks: the system's own dialog, made by
// DialogBoxIndirectParam from the library's template 100 with the same text
// in its text box, ended by OK, or by Cancel after hiding itself and showing
// the same message box as the library. Returns what DialogBox returns.
INT_PTR RunPlainDialog(HMODULE hLib);

// One row of a benchmark's table.
struct Row {
    std::string figure;
    std::string value;
    std::string floor;
    std::string ratio;
    std::string target;
    std::string met;  // "yes", "no", or "" when there is no target
};

std::string Format(const char* format, ...);
// "yes" or "no" for ratio <= limit.
std::string Met(double ratio, double limit);

// Prints "## title", the note lines, and the table.
void PrintTable(const char* title, const std::vector<std::string>& notes, const std::vector<Row>& rows);

// Prints "<program>: what" (the program's file name) and returns the exit
// code of a benchmark that could not measure, 1.
int Fail(const char* what);

// The benchmark itself, defined by each program whose main is BenchMain.cpp:
// runs with the loaded library and a player on this thread that agrees
// once the dialog has painted. Returns the program's exit code.
int Run(Library& lib, ui::DialogRun& player);

} // namespace bench
