// Cell allocation: the slow paths behind the inline free lists.
#include "term/pool.hpp"

#include <cstdlib>
#include <new>

namespace quorl {

namespace pool_detail {

constinit Pool thePool;

namespace {

constexpr size_t kChunkBytes = size_t{1} << 20;

void* mallocOrThrow(size_t bytes) {
  void* raw = std::malloc(bytes);
  if (raw == nullptr) throw std::bad_alloc();
  return raw;
}

}  // namespace

void* allocateSlow(size_t bytes) {
#ifdef QUORL_NO_POOL
  // Whole granules, as the pool gives them: readers may read a leaf's
  // text a granule at a time.
  return mallocOrThrow(sizeClass(bytes) * kGranule);
#else
  size_t cls = sizeClass(bytes);
  if (cls > kPooledClasses) return mallocOrThrow(bytes);
  // The free list of this class is empty: carve from the current chunk.
  size_t rounded = cls * kGranule;
  Pool& p = thePool;
  if (p.chunkCursor == nullptr || static_cast<size_t>(p.chunkEnd - p.chunkCursor) < rounded) {
    p.chunkCursor = static_cast<char*>(mallocOrThrow(kChunkBytes));
    p.chunkEnd = p.chunkCursor + kChunkBytes;
  }
  void* cell = p.chunkCursor;
  p.chunkCursor += rounded;
  return cell;
#endif
}

void releaseSlow(void* cell, size_t bytes) {
  (void)bytes;
  std::free(cell);
}

}  // namespace pool_detail

}  // namespace quorl
