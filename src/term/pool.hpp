// Cell allocation for Nodes.
#pragma once

#include <cstddef>

namespace quorl {

// Returns memory for a cell of the given size; the size must be given again
// when the cell is released.
void* allocateCell(size_t bytes);
void releaseCell(void* cell, size_t bytes);

}  // namespace quorl
