// Cell allocation for Nodes: free lists by size class, carved from large
// chunks.
//
// Application cells (24 bytes) and short leaves are allocated and freed on
// every reduction step, so taking a cell from its free list, taking the
// next one of the current chunk and giving a cell back are inline here;
// only a new chunk and long leaves (which go to malloc) leave the header.
// A structure built at once lies in the order it was built.  Builds with
// sanitizers define QUORL_NO_POOL so that every cell is a separate malloc
// block and use-after-free is caught.
//
// An application cell whose count reaches zero is taken apart at once, with
// its function part when that dies too (the `J x` of a list cell), and
// their cells go on the free list; any other cell that dies with them goes
// on the list of dying cells with its parts still held, and the next cell
// of its size is that one, its parts released then (term/node.cpp).
// Dropping the last reference to a list of a million elements thus costs
// one step, and each later allocation pays for taking apart one cell: no
// pause, and the cell reused is the one touched last.
// Cells of other sizes that dying cells hold are looked for before a chunk
// is carved (term/pool.cpp).
#pragma once

#include <cstddef>
#include <cstring>

namespace quorl {

// The cell of an application: a header and two pointers.
inline constexpr size_t kApplicationBytes = 24;

namespace pool_detail {

inline constexpr size_t kGranule = 8;
inline constexpr size_t kPooledClasses = 32;  // up to 256 bytes

struct FreeCell {
  FreeCell* next;
};

struct Pool {
  FreeCell* freeLists[kPooledClasses + 1] = {};
  char* chunkCursor = nullptr;
  char* chunkEnd = nullptr;
  FreeCell* dying = nullptr;  // newest first, linked through their headers
};

// Constant-initialised, so the hot path pays for no guard; never torn down.
extern constinit Pool thePool;

inline constexpr size_t sizeClass(size_t bytes) { return (bytes + kGranule - 1) / kGranule; }
inline constexpr size_t kApplicationClass = sizeClass(kApplicationBytes);

// The slow paths: a new chunk, or malloc for a long leaf.
void* allocateSlow(size_t bytes);
void releaseSlow(void* cell, size_t bytes);

// A cell from malloc keeps the size it was made with in the 16 bytes in
// front of it (16, so that cells stay aligned as malloc aligns them).
inline constexpr size_t kSizePrefix = 16;
inline size_t mallocCellBytes(const void* cell) {
  size_t bytes;
  std::memcpy(&bytes, static_cast<const char*>(cell) - kSizePrefix, sizeof bytes);
  return bytes;
}

}  // namespace pool_detail

// The newest dying application cell, its parts released (term/node.cpp),
// as memory for a new cell of its size.
void* reuseDyingCell();

// Returns memory for a cell of the given size; the size must be given again
// when the cell is released.
inline void* allocateCell(size_t bytes) {
#ifdef QUORL_NO_POOL
  return pool_detail::allocateSlow(bytes);
#else
  using namespace pool_detail;
  size_t cls = sizeClass(bytes);
  if (cls == kApplicationClass && thePool.dying != nullptr) return reuseDyingCell();
  if (cls <= kPooledClasses) {
    if (FreeCell* cell = thePool.freeLists[cls]) [[likely]] {
      thePool.freeLists[cls] = cell->next;
      return cell;
    }
    // Nothing free and nothing dead: the next cell of the current chunk.
    size_t rounded = cls * kGranule;
    if (thePool.dying == nullptr && static_cast<size_t>(thePool.chunkEnd - thePool.chunkCursor) >= rounded) {
      void* cell = thePool.chunkCursor;
      thePool.chunkCursor += rounded;
      return cell;
    }
  }
  return allocateSlow(bytes);
#endif
}

inline void releaseCell(void* cell, size_t bytes) {
#ifdef QUORL_NO_POOL
  pool_detail::releaseSlow(cell, bytes);
#else
  using namespace pool_detail;
  size_t cls = sizeClass(bytes);
  if (cls > kPooledClasses) [[unlikely]] {
    releaseSlow(cell, bytes);
    return;
  }
  auto* freed = static_cast<FreeCell*>(cell);
  freed->next = thePool.freeLists[cls];
  thePool.freeLists[cls] = freed;
#endif
}

// The bytes a cell really has, at least the `bytes` it is released with:
// a pooled cell has its whole class; a cell from malloc the size it was
// made with, which may be more (a leaf made with room to grow).
inline size_t cellBytes(const void* cell, size_t bytes) {
#ifdef QUORL_NO_POOL
  (void)bytes;
  return pool_detail::mallocCellBytes(cell);
#else
  using namespace pool_detail;
  size_t cls = sizeClass(bytes);
  return cls <= kPooledClasses ? cls * kGranule : mallocCellBytes(cell);
#endif
}

}  // namespace quorl
