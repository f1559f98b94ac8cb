# The factorial of n, computed in full by recursion and printed in decimal.
import sys


def fact(n):
    return 1 if n == 0 else n * fact(n - 1)


sys.setrecursionlimit(int(sys.argv[1]) + 1000)
sys.set_int_max_str_digits(0)
print(fact(int(sys.argv[1])))
