// The command line and the sequence of stages.
#pragma once

namespace quorl {

// Runs `quorl file args...` and returns the process exit status: the low 32
// bits of the program's integer on success, 1 for the usage banner and for
// every reported failure.  `quorl --help` and `quorl --version` print to
// standard output and return 0.
int driverMain(int argc, char** argv);

}  // namespace quorl
