# The spectral norm of the infinite matrix with entries
# 1 / ((i + j) (i + j + 1) / 2 + i + 1), cut to n by n: ten rounds of the
# power method on lists of reals.
import math
import sys


def entry(i, j):
    return 1.0 / ((i + j) * (i + j + 1) // 2 + i + 1)


def transposed(i, j):
    return entry(j, i)


# Each element of the result is a row of the matrix a times u.
def times_matrix(a, u):
    out = []
    for i in range(len(u)):
        acc = 0.0
        for j, x in enumerate(u):
            acc = acc + a(i, j) * x
        out.append(acc)
    return out


def dot(u, v):
    acc = 0.0
    for x, y in zip(u, v):
        acc = acc + x * y
    return acc


# Each round multiplies u by A transposed times A, and the result again.
def power(n, rounds):
    u = [1.0] * n
    v = [1.0] * n
    for _ in range(rounds):
        v = times_matrix(transposed, times_matrix(entry, u))
        u = times_matrix(transposed, times_matrix(entry, v))
    return u, v


u, v = power(int(sys.argv[1]), 10)
print("%e" % math.sqrt(dot(u, v) / dot(v, v)))
