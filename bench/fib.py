# Naive doubly recursive Fibonacci of 25.
import sys


def fib(n):
    return n if n < 2 else fib(n - 1) + fib(n - 2)


sys.exit(fib(25) & 0xFF)
