// Cell allocation: the slow paths behind the inline free lists.
#include "term/pool.hpp"

#include <new>

namespace quorl {

namespace pool_detail {

constinit Pool thePool;

namespace {

#ifndef QUORL_NO_POOL
constexpr size_t kChunkBytes = size_t{1} << 20;
#endif

// Through operator new, so that running out of memory here meets the
// same handler as everywhere else.
void* newStorage(size_t bytes) { return ::operator new(bytes); }

// Storage with the cell's size kept in front of it (mallocCellBytes).
void* mallocCell(size_t bytes) {
  auto* raw = static_cast<char*>(newStorage(bytes + kSizePrefix));
  std::memcpy(raw, &bytes, sizeof bytes);
  return raw + kSizePrefix;
}

}  // namespace

void* allocateSlow(size_t bytes) {
#ifdef QUORL_NO_POOL
  // Whole granules, as the pool gives them: readers may read a leaf's
  // text a granule at a time.
  return mallocCell(sizeClass(bytes) * kGranule);
#else
  size_t cls = sizeClass(bytes);
  if (cls > kPooledClasses) return mallocCell(bytes);
  // The free list of this class is empty: carve from the current chunk.
  size_t rounded = cls * kGranule;
  Pool& p = thePool;
  if (p.chunkCursor == nullptr || static_cast<size_t>(p.chunkEnd - p.chunkCursor) < rounded) {
    p.chunkCursor = static_cast<char*>(newStorage(kChunkBytes));
    p.chunkEnd = p.chunkCursor + kChunkBytes;
  }
  void* cell = p.chunkCursor;
  p.chunkCursor += rounded;
  return cell;
#endif
}

void releaseSlow(void* cell, size_t bytes) {
  (void)bytes;
  ::operator delete(static_cast<char*>(cell) - kSizePrefix);
}

}  // namespace pool_detail

}  // namespace quorl
