// Reading a program file whole.
#pragma once

#include <string>

namespace quorl {

// Reads the whole file into `text`, opened once: a FIFO gives its text to
// the first open only.  False when it cannot be opened or a read fails
// part-way (a directory, an I/O error): a truncated program must never be
// compiled as if it were the whole one.
bool readWholeFile(const char* path, std::string& text);

}  // namespace quorl
