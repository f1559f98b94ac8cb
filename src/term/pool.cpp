// Cell allocation: the slow paths behind the inline free lists.
#include "term/pool.hpp"

#include <new>

namespace quorl {

namespace pool_detail {

constinit Pool thePool;

namespace {

#ifndef QUORL_NO_POOL
constexpr size_t kChunkBytes = size_t{1} << 20;
constexpr int kDyingPerCarve = 16;
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

#ifndef QUORL_NO_POOL
// A few dying cells are taken apart for a cell of class `cls`, not all, so
// that a cell of a size that a long dead structure does not hold costs no
// pause; the pool then grows by one cell for each kDyingPerCarve taken
// apart while dead ones remain, and those are reached by later cells.
[[gnu::noinline]] void* cellFromDying(size_t cls) {
  Pool& p = thePool;
  for (int i = 0; i < kDyingPerCarve && p.dying != nullptr; i++) {
    releaseCell(reuseDyingCell(), kApplicationBytes);
    if (FreeCell* cell = p.freeLists[cls]) {
      p.freeLists[cls] = cell->next;
      return cell;
    }
  }
  return nullptr;
}
#endif

}  // namespace

void* allocateSlow(size_t bytes) {
  Pool& p = thePool;
#ifdef QUORL_NO_POOL
  // Dying cells are taken apart as the pool's would be, two for each new
  // cell, so that the list drains, and then handed back to malloc.
  for (int i = 0; i < 2 && p.dying != nullptr; i++) releaseSlow(reuseDyingCell(), kApplicationBytes);
  // Whole granules, as the pool gives them: readers may read a leaf's
  // text a granule at a time.
  return mallocCell(sizeClass(bytes) * kGranule);
#else
  size_t cls = sizeClass(bytes);
  if (cls > kPooledClasses) return mallocCell(bytes);
  // The free list of this class is empty: the parts of dying cells may
  // give one of its size.
  if (p.dying != nullptr)
    if (void* cell = cellFromDying(cls)) return cell;
  // Nothing dead of this size found: carve from the current chunk.
  size_t rounded = cls * kGranule;
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
