# A text built by n joins of "ab", one at a time; exits with its length.
import sys


def build(n):
    t = ""
    for _ in range(n):
        t = t + "ab"
    return t


sys.exit(len(build(int(sys.argv[1]))) & 0xFF)
