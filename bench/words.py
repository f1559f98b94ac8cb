# Builds a text of n pseudo-random letters and blanks by joining one byte at
# a time, then counts its words: places where a letter follows a blank or
# the start.  Python's bytes are copied by every join, so the text is a
# bytearray, which grows in place as quorl's does.
import sys


# About one byte in six is a blank.
def letter(s):
    return 32 if s % 6 == 0 else 97 + s % 26


def build(n, s):
    text = bytearray()
    for _ in range(n):
        text.append(letter(s))
        s = (s * 7919 + 13) % 1000003
    return text


def count(text):
    words = 0
    in_word = False
    for c in text:
        blank = c == 32
        if not in_word and not blank:
            words += 1
        in_word = not blank
    return words


text = build(int(sys.argv[1]), 12345)
words = count(text)
print(f"{len(text)} bytes, {words} words")
sys.exit(words & 0xFF)
