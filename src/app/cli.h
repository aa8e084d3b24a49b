#pragma once

// The command-line side of the koreq program: `koreq [global options] COMMAND ...` runs one
// command headless against a company folder. The commands live in a library so that tests can
// run them in-process with their own streams.

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace koreq::frame {
class Session;
}

namespace koreq::cli {

// Fills a freshly made company with the demo records. It runs before the company is moved into
// its folder, so it must write files only under session.company().dataPath() and never record
// that path: the folder is renamed when it returns.
using DemoMaker = std::function<void(frame::Session&, std::ostream& out)>;

// Installs the maker `init --demo` uses; without one, `init --demo` fails and makes nothing.
void setDemoMaker(DemoMaker maker);

// Adds the commands that need the desktop (play, screenshot, windows) and the desktop program
// that runs without a command. The program calls it first; without it the command line has
// only the commands that need no Qt.
void installDesktop();

// Adds `report`, which runs report procedures and writes their PDF. It needs Qt GUI (no
// widgets, no display); the program calls it, and so do the tests that run reports.
void installReports();

// Runs one command line (without the program name). Returns the exit status: 0 success,
// 1 failure (a message on `err`), 2 bad usage (the usage text on `err`). Never throws.
int runCli(std::vector<std::string> args, std::ostream& out, std::ostream& err);

}  // namespace koreq::cli
