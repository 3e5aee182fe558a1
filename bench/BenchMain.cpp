// The main of the benchmarks of the dialog: loads the library as a game
// does, makes a player on this thread that agrees once the dialog has
// painted, and runs the benchmark's bench::Run with both.
#include "BenchSupport.h"
#include "UiDriver.h"

int main()
{
    bench::Library lib;
    if (!lib.Loaded())
        return bench::Fail("TovikDlg.dll does not load");
    ui::DialogRun player(ui::Answer::Agree);
    player.SetAnswer(ui::Answer::Agree);
    return bench::Run(lib, player);
}
