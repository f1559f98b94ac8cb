# The factorial of n, computed in full by recursion, modulo a large prime.
import sys


def fact(n):
    return 1 if n == 0 else n * fact(n - 1)


sys.setrecursionlimit(int(sys.argv[1]) + 1000)
sys.exit((fact(int(sys.argv[1])) % 1000000007) & 0xFF)
