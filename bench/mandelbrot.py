# Counts the points of an n by n grid over [-1.5, 0.5] x [-1, 1] that stay
# within radius 2 for 50 steps of z := z * z + c.
import sys


# True when z stays within radius 2 for i more steps.
def stays(c_re, c_im, i):
    z_re = z_im = 0.0
    while i > 0:
        if 4.0 < z_re * z_re + z_im * z_im:
            return False
        z_re, z_im = z_re * z_re - z_im * z_im + c_re, 2.0 * z_re * z_im + c_im
        i -= 1
    return True


def count(n):
    inside = 0
    for y in range(n):
        for x in range(n):
            c_re = 2 * x / n - 1.5
            c_im = 2 * y / n - 1.0
            if stays(c_re, c_im, 50):
                inside += 1
    return inside


result = count(int(sys.argv[1]))
print(result)
sys.exit(result & 0xFF)
