// The interactive prompt.
#pragma once

namespace quorl {

// `quorl --repl [FILE]`, given the arguments after --repl; returns the
// exit status: 0, or 1 for a usage error and, when standard input is not a
// terminal, for a session in which an entry failed.
int replMain(int argc, char** argv);

}  // namespace quorl
