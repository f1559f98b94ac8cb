# A list of n pairs built by a loop, then counted by a loop.
import sys


def build(n, rest):
    while n != 0:
        n, rest = n - 1, (n, rest)
    return rest


def count(lst, a):
    while lst is not None:
        lst, a = lst[1], a + 1
    return a


sys.exit(count(build(int(sys.argv[1]), None), 0) & 0xFF)
