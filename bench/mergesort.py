# Top-down merge sort of n pseudo-random integers, then a weighted checksum.
import sys


def gen(n, s):
    out = []
    for _ in range(n):
        out.append(s)
        s = (s * 7919 + 13) % 1000003
    return out


def merge(p, q):
    out = []
    i = j = 0
    while i < len(p) and j < len(q):
        if p[i] < q[j]:
            out.append(p[i])
            i += 1
        else:
            out.append(q[j])
            j += 1
    out.extend(p[i:])
    out.extend(q[j:])
    return out


def sort(items):
    if len(items) < 2:
        return items
    half = len(items) // 2
    return merge(sort(items[:half]), sort(items[half:]))


def check(items):
    acc = 0
    for i, x in enumerate(items, 1):
        acc = (acc + i * x) % 1000003
    return acc


sys.exit(check(sort(gen(int(sys.argv[1]), 12345))) & 0xFF)
