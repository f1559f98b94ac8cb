# The sum 1 + ... + n by a recursion that is not a tail call, n deep.
import sys
import threading


def total(n):
    return 0 if n == 0 else n + total(n - 1)


def main():
    global result
    result = total(int(sys.argv[1]))


result = 0
sys.setrecursionlimit(int(sys.argv[1]) + 1000)
threading.stack_size(1 << 30)
worker = threading.Thread(target=main)
worker.start()
worker.join()
sys.exit(result & 0xFF)
