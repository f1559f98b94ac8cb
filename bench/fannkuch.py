# Fannkuch-redux: for every permutation of 0 to n - 1, counts the flips
# (reversing the first k + 1 elements, k the first) until 0 comes first;
# prints the checksum (the flips summed with alternating signs) and the most
# flips.  The permutations come in the classic order: those of the first k
# elements, each followed by rotating the first k + 1 by one.
import sys


def flips(perm):
    perm = list(perm)
    count = 0
    while perm[0] != 0:
        k = perm[0] + 1
        perm[:k] = perm[k - 1::-1]
        count += 1
    return count


# state is [count, checksum, most] over the permutations visited so far.
def visit(perm, state):
    f = flips(perm)
    state[1] += f if state[0] % 2 == 0 else -f
    state[2] = max(state[2], f)
    state[0] += 1


def perms(k, perm, state):
    if k == 1:
        visit(perm, state)
        return
    for _ in range(k):
        perms(k - 1, perm, state)
        # Moves the first element to place k - 1.
        perm[:k] = perm[1:k] + perm[:1]


n = int(sys.argv[1])
state = [0, 0, 0]
perms(n, list(range(n)), state)
print(state[1])
print(f"Pfannkuchen({n}) = {state[2]}")
sys.exit(state[1] & 0xFF)
