# Allocation: builds complete binary trees and walks them, as in the
# classic benchmark.  A tree is None (a node without children) or a pair
# (left, right).
import sys


def make(depth):
    return None if depth == 0 else (make(depth - 1), make(depth - 1))


def check(tree):
    if tree is None:
        return 1
    left, right = tree
    return 1 + check(left) + check(right)


def main(n):
    print(f"stretch tree of depth {n + 1} check: {check(make(n + 1))}")
    long_lived = make(n)
    # For each depth d from 4 up to n in steps of two, builds and checks
    # 2^(n - d + 4) trees; the sum of all their checks is the result.
    total = 0
    for d in range(4, n + 1, 2):
        trees = 2 ** (n - d + 4)
        acc = 0
        for _ in range(trees):
            acc += check(make(d))
        print(f"{trees} trees of depth {d} check: {acc}")
        total += acc
    print(f"long lived tree of depth {n} check: {check(long_lived)}")
    return total


sys.exit(main(int(sys.argv[1])) & 0xFF)
