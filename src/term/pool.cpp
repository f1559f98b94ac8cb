// Cell allocation: free lists by size class, carved from large chunks.
//
// Application cells (24 bytes) and short leaves are allocated and freed on
// every reduction step, so they never go through malloc.  Long leaves (long
// numbers, texts, byte blocks) are rare and go to malloc directly.  Builds
// with sanitizers define QUORL_NO_POOL so that every cell is a separate
// malloc block and use-after-free is caught.
#include "term/pool.hpp"

#include <cstdlib>
#include <new>

namespace quorl {

namespace {

constexpr size_t kGranule = 8;
constexpr size_t kPooledClasses = 32;  // up to 256 bytes
constexpr size_t kChunkBytes = size_t{1} << 20;

struct FreeCell {
  FreeCell* next;
};

struct Pool {
  FreeCell* freeLists[kPooledClasses + 1] = {};
  char* chunkCursor = nullptr;
  char* chunkEnd = nullptr;
};

// Constant-initialised, so the hot path pays for no guard; never torn down.
constinit Pool thePool;

Pool& pool() { return thePool; }

size_t sizeClass(size_t bytes) { return (bytes + kGranule - 1) / kGranule; }

void* carve(Pool& p, size_t bytes) {
  if (p.chunkCursor == nullptr || static_cast<size_t>(p.chunkEnd - p.chunkCursor) < bytes) {
    p.chunkCursor = static_cast<char*>(std::malloc(kChunkBytes));
    if (p.chunkCursor == nullptr) throw std::bad_alloc();
    p.chunkEnd = p.chunkCursor + kChunkBytes;
  }
  void* cell = p.chunkCursor;
  p.chunkCursor += bytes;
  return cell;
}

}  // namespace

void* allocateCell(size_t bytes) {
#ifdef QUORL_NO_POOL
  void* raw = std::malloc(bytes);
  if (raw == nullptr) throw std::bad_alloc();
  return raw;
#else
  size_t cls = sizeClass(bytes);
  if (cls > kPooledClasses) {
    void* raw = std::malloc(bytes);
    if (raw == nullptr) throw std::bad_alloc();
    return raw;
  }
  Pool& p = pool();
  if (FreeCell* cell = p.freeLists[cls]) {
    p.freeLists[cls] = cell->next;
    return cell;
  }
  return carve(p, cls * kGranule);
#endif
}

void releaseCell(void* cell, size_t bytes) {
#ifdef QUORL_NO_POOL
  (void)bytes;
  std::free(cell);
#else
  size_t cls = sizeClass(bytes);
  if (cls > kPooledClasses) {
    std::free(cell);
    return;
  }
  Pool& p = pool();
  auto* freed = static_cast<FreeCell*>(cell);
  freed->next = p.freeLists[cls];
  p.freeLists[cls] = freed;
#endif
}

}  // namespace quorl
