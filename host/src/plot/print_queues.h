#pragma once

// The print queues of the CUPS server that this process talks to (the one CUPS_SERVER or the
// client configuration names, else the local one).

#include <string>
#include <vector>

namespace cadhost::plot {

struct PrintQueues {
  std::vector<std::string> names;  // in the server's order
  std::string defaultName;         // "" when there is no default queue
};

// Asks the server; no server (or one that does not answer) has no queues.
PrintQueues printQueues();

}  // namespace cadhost::plot
