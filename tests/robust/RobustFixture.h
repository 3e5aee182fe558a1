// A fresh copy of the library per test, as in the end-to-end tests, with its
// imports counted by the ledger, and the figures the robustness tests compare
// before and after: what the library holds, and the process's own counts.
#pragma once
#include "ClaimFixture.h"
#include "ImportLedger.h"
#include "UiDriver.h"


using ShowFn = TOVIK_SHOW_MAIN_DIALOG;

struct Figures {
    ledger::Counts library;
    ProcessFigures process;
};

Figures Measure();
// The figures that grew from before to after, one per line; empty when none
// did. Private memory may grow by up to memorySlack bytes (the system's own
// caches and heap growth), the process's kernel handles by handleSlack.
std::string Growth(const Figures& before, const Figures& after, long long memorySlack, long handleSlack = 0);

class RobustFixture : public ClaimFixture {
protected:
    void SetUp() override;
    // Loads the library from dllPath and counts its imports.
    void LoadAndCount(const std::string& dllPath);
    // One call on this thread, answered by the player; returns the result.
    int CallAnswered(ui::DialogRun& player, ui::Answer answer);
};
