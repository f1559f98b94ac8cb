# Takeuchi's function of n, 16 and 8: calls and little else.
import sys


def tak(x, y, z):
    if y < x:
        return tak(tak(x - 1, y, z), tak(y - 1, z, x), tak(z - 1, x, y))
    return z


result = tak(int(sys.argv[1]), 16, 8)
print(result)
sys.exit(result & 0xFF)
