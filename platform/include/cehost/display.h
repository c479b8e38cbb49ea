// The display driver of the current handset, as the simulated handset installs it.
#pragma once

#include <functional>

namespace cehost {

// A display driver's escape handler: the answer to one ExtEscape (> 0 done, 0 not implemented,
// < 0 an error), given the escape code and the caller's input and output bytes.
using DisplayEscapeHandler =
    std::function<int(int escape, const void* in, int in_size, void* out, int out_size)>;

// Puts a display driver on the current handset, replacing the one it had; an empty handler
// removes it, and the handset then has no screen device context.
void InstallDisplayDriver(DisplayEscapeHandler handler);

// True when the current handset has a display driver.
bool HasDisplayDriver();

}  // namespace cehost
