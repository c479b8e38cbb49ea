// A program whose handset is a static object: it lets go of the handset as the process exits,
// after the main thread's own state is gone. The exit must be clean (the sanitizers watch it).
#include <memory>

#include "sim/handset.h"

namespace {

std::unique_ptr<sim::Handset> g_handset;

}  // namespace

int main() {
  g_handset = std::make_unique<sim::Handset>();
  return 0;
}
