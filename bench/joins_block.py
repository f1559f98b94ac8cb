# A byte block built by n joins of b"ab", one at a time; exits with its
# length.  Python's bytes are copied by every join, so the block is a
# bytearray, which grows in place as quorl's does.
import sys


def build(n):
    t = bytearray()
    for _ in range(n):
        t += b"ab"
    return t


sys.exit(len(build(int(sys.argv[1]))) & 0xFF)
