# A binary search tree used as a map: inserts n pseudo-random keys below
# 2n, key i with the value i (a key met again takes the later value), then
# looks up 2n keys, the n inserted and n more from the same sequence; prints
# how many were found and the sum of their values.
import sys


class Node:
    def __init__(self, key, value):
        self.key = key
        self.value = value
        self.left = None
        self.right = None


def next_key(s):
    return (s * 7919 + 13) % 1000003


def insert(tree, key, value):
    if tree is None:
        return Node(key, value)
    if key < tree.key:
        tree.left = insert(tree.left, key, value)
    elif tree.key < key:
        tree.right = insert(tree.right, key, value)
    else:
        tree.value = value
    return tree


# The value of key, or -1 when the tree does not hold it.
def find(tree, key):
    if tree is None:
        return -1
    if key < tree.key:
        return find(tree.left, key)
    if tree.key < key:
        return find(tree.right, key)
    return tree.value


def main(n):
    tree = None
    s = 12345
    for i in range(n):
        tree = insert(tree, s % (2 * n), i)
        s = next_key(s)
    hits = total = 0
    s = 12345
    for _ in range(2 * n):
        value = find(tree, s % (2 * n))
        if not value < 0:
            hits += 1
            total += value
        s = next_key(s)
    print(f"{hits} found, values summing to {total}")
    return hits


sys.exit(main(int(sys.argv[1])) & 0xFF)
