# A million-deep recursion that is not a tail call: the sum of 1..n.
import sys
import threading


def total(n):
    return 0 if n == 0 else n + total(n - 1)


def main():
    global result
    result = total(1000000)


result = 0
sys.setrecursionlimit(1100000)
threading.stack_size(1 << 30)
worker = threading.Thread(target=main)
worker.start()
worker.join()
sys.exit(result & 0xFF)
