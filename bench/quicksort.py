# Quicksort of n pseudo-random integers on lists, then a weighted checksum.
import sys


def gen(n, s):
    out = []
    for _ in range(n):
        out.append(s)
        s = (s * 7919 + 13) % 1000003
    return out


# The head is the pivot; the elements below it go left, the others right,
# in their order.
def quick(items):
    if not items:
        return []
    pivot = items[0]
    low = [x for x in items[1:] if x < pivot]
    high = [x for x in items[1:] if not x < pivot]
    return quick(low) + [pivot] + quick(high)


def check(items):
    acc = 0
    for i, x in enumerate(items, 1):
        acc = (acc + i * x) % 1000003
    return acc


result = check(quick(gen(int(sys.argv[1]), 12345)))
print(result)
sys.exit(result & 0xFF)
