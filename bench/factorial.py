# The factorial of 2000, computed in full by recursion, modulo a large prime.
import sys


def fact(n):
    return 1 if n == 0 else n * fact(n - 1)


sys.setrecursionlimit(10000)
sys.exit((fact(2000) % 1000000007) & 0xFF)
