// A dead application cell is taken apart at once with its function part;
// what dies with them beyond that is taken apart as the dying cells are
// reused: dropping a long structure costs one step, later cells pay for it
// one at a time, and the pool does not grow while dead cells remain.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "term/node.hpp"
#include "term/pool.hpp"

namespace quorl {
namespace {

// A list of n elements, each a quoted text of 30 bytes (a cell of its own
// size class) or a number, built from the end.
NodeRef longList(int n) {
  NodeRef list = leaf("K");
  for (int i = 0; i < n; i++) {
    NodeRef element = i % 2 ? leaf("[element " + std::to_string(1000000000000 + i) + " of the list]")
                            : leaf(std::to_string(i));
    list = apply(apply(sharedLeaf('J'), std::move(element)), std::move(list));
  }
  return list;
}

TEST(DyingCells, DroppingALongListTakesApartOnlyItsFirstCellAtOnce) {
  NodeRef list = longList(1000000);
  NodeRef rest = list.arg();
  Node* second = rest.get();
  ASSERT_EQ(countOf(second), 2u);
  finishDyingCells();
  // The first cell and the pair cell of its element go at once; the rest,
  // still held, loses the count the first cell held on it.
  list = sharedLeaf('K');
  EXPECT_EQ(countOf(second), 1u);
  EXPECT_FALSE(finishDyingCells());
  // Dropped now, the rest is taken apart as far as its first cell; its tail
  // of 999,998 cells waits on the dying list as one cell.
  rest = sharedLeaf('K');
  ASSERT_NE(pool_detail::thePool.dying, nullptr);
  EXPECT_EQ(pool_detail::thePool.dying->next, nullptr);
  EXPECT_TRUE(finishDyingCells());
  EXPECT_FALSE(finishDyingCells());
}

TEST(DyingCells, DeepStructuresInEitherPositionAreTakenApartWithoutRecursion) {
  constexpr int kDepth = 3000000;
  NodeRef right = leaf("0");
  NodeRef left = leaf("K");
  for (int i = 0; i < kDepth; i++) {
    right = apply(leaf("1"), std::move(right));
    left = apply(std::move(left), leaf(std::to_string(i)));
  }
  // A tree: both parts of every cell die with it.
  NodeRef tree = leaf("K");
  for (int i = 0; i < 20; i++) tree = apply(tree, apply(leaf("[x]"), tree));
  right = sharedLeaf('K');
  left = sharedLeaf('K');
  tree = sharedLeaf('K');
  // Each cell made now reuses one dead cell; the rest all at once.
  for (int i = 0; i < 1000; i++) NodeRef cell = apply(leaf("2"), leaf("3"));
  EXPECT_TRUE(finishDyingCells());
  EXPECT_FALSE(finishDyingCells());
}

#ifndef QUORL_NO_POOL
// Where the pool would carve its next cell: it moves only when the pool grows.
const char* poolFrontier() { return pool_detail::thePool.chunkCursor; }

// A quoted text of 100 bytes, a size no other cell here has.
NodeRef wideText(int i) { return leaf("[" + std::to_string(1000000 + i) + std::string(91, '.') + "]"); }

TEST(DyingCells, ADeadStructureIsReusedBeforeThePoolGrows) {
  // Free cells of the texts' size left by earlier work are used up first,
  // so that the texts below can come only from the pool or the dead.
  std::vector<NodeRef> spare;
  for (const char* before = poolFrontier(); poolFrontier() == before;) spare.push_back(wideText(0));
  auto build = [] {
    NodeRef list = sharedLeaf('K');
    for (int i = 0; i < 100000; i++) list = apply(apply(sharedLeaf('J'), wideText(i)), std::move(list));
    return list;
  };
  NodeRef first = build();
  first = sharedLeaf('K');
  const char* frontier = poolFrontier();
  // The same structure again: its cells and its texts all come from the
  // dead one's as that is taken apart.
  NodeRef second = build();
  EXPECT_EQ(poolFrontier(), frontier);
}
#endif

}  // namespace
}  // namespace quorl
