// The commands that need Qt and the desktop program itself, added to the command line by the
// program (and by the tests that use them).

#include "app/cli.h"
#include "app/commands.h"

namespace koreq::cli {

void installDesktop() {
  addCommands({
      {"play",
       "[--gui] SCENARIO",
       "run a scenario file and print its transcript (--gui: through the real windows)",
       {},
       {"gui"},
       1,
       1,
       &runPlay},
      {"screenshot",
       "PROCEDURE FILE.png [--request N] [--equipment ID] [--tab N] [--preview]",
       "open one window offscreen and save its picture (--equipment: that record in the "
       "EQHEADER buffer, the first one for UpdateEQHeader; --tab: the tab shown; --preview: "
       "a report procedure runs to its end and the picture is its print preview)",
       {"request", "equipment", "tab"},
       {"preview"},
       2,
       2,
       &runScreenshot},
      {"windows",
       "",
       "every procedure that opens a window, with its window's minimum size in logical pixels "
       "(NAME WIDTHxHEIGHT)",
       {},
       {},
       0,
       0,
       &runWindows},
  });
  setDesktop({&desktopDisplayAvailable, &runHost});
}

}  // namespace koreq::cli
