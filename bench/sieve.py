# The sieve of Eratosthenes up to n on one byte block: byte i is 1 while i
# may be prime.
import sys


def sieve(n):
    flags = bytearray([1]) * (n + 1)
    flags[0] = flags[1] = 0
    i = 2
    while i * i <= n:
        if flags[i] == 1:
            # Clears every i-th byte from i * i up to n.
            for j in range(i * i, n + 1, i):
                flags[j] = 0
        i += 1
    return flags


def count(flags, n):
    acc = 0
    for i in range(n + 1):
        acc += flags[i]
    return acc


n = int(sys.argv[1])
result = count(sieve(n), n)
print(result)
sys.exit(result & 0xFF)
