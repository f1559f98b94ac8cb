# Counts the ways to put n queens on an n by n board, none attacking
# another: one queen a row, each row trying every column against the rows
# above.
import sys


# placed holds the columns of the queens above, the nearest first.
def place(n, row, placed):
    if row == n:
        return 1
    ways = 0
    for col in range(n):
        if safe(col, placed):
            ways += place(n, row + 1, [col] + placed)
    return ways


def safe(col, placed):
    # d is how many rows up the queen at c stands.
    for d, c in enumerate(placed, 1):
        if c == col or c == col + d or c + d == col:
            return False
    return True


result = place(int(sys.argv[1]), 0, [])
print(result)
sys.exit(result & 0xFF)
