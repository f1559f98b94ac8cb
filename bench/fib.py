# Naive doubly recursive Fibonacci of the size given as the first argument.
import sys


def fib(n):
    return n if n < 2 else fib(n - 1) + fib(n - 2)


sys.exit(fib(int(sys.argv[1])) & 0xFF)
