// m8sim: the simulated handset from the command line.
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "installed_data.h"
#include "m8sim.h"

int main(int argc, char** argv) {
  m8sim::UseInstalledHandsetData();
  // A reader that goes away early ("m8sim call ... | head -1") must not end the process before
  // the handset is let go of: its shell keeps what it holds and what waits in its queues then.
  std::signal(SIGPIPE, SIG_IGN);
  std::vector<std::string> args(argv + 1, argv + argc);
  return m8sim::Run(args, std::cout, std::cerr);
}
