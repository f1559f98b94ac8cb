# A loop of n steps with an accumulator: the sum 1 + ... + n.
import sys


def loop(n, acc):
    while n != 0:
        n, acc = n - 1, acc + n
    return acc


sys.exit(loop(int(sys.argv[1]), 0) & 0xFF)
