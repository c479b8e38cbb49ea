// m8sim: the simulated handset from the command line.
#include <iostream>
#include <string>
#include <vector>

#include "installed_data.h"
#include "m8sim.h"

int main(int argc, char** argv) {
  m8sim::UseInstalledHandsetData();
  std::vector<std::string> args(argv + 1, argv + argc);
  return m8sim::Run(args, std::cout, std::cerr);
}
