#!/usr/bin/env python3
"""Writes security/BlowfishConstants.inc: Blowfish's initial P-array and S-boxes,
which are the fractional hexadecimal digits of pi, computed here with Machin's
formula so that the table can be checked rather than trusted."""
import sys

WORDS = 18 + 4 * 256
DIGITS = WORDS * 8 + 16  # hexadecimal digits, with guard digits


def arctan_inverse(x, one):
    total = term = one // x
    x2, n, sign = x * x, 1, 1
    while term:
        term //= x2
        n += 2
        sign = -sign
        total += sign * (term // n)
    return total


def pi_fraction_hex():
    one = 1 << (4 * DIGITS + 64)
    pi = 4 * (4 * arctan_inverse(5, one) - arctan_inverse(239, one))
    frac = pi - 3 * one
    frac >>= 64
    return format(frac, "0{}x".format(DIGITS))


def main():
    digits = pi_fraction_hex()
    words = [int(digits[i * 8:i * 8 + 8], 16) for i in range(WORDS)]
    out = ["// Made by tools/make_blowfish_constants.py: the fractional hexadecimal digits of pi.",
           "// First the 18 words of the P-array, then the four S-boxes of 256 words."]
    for i in range(0, WORDS, 6):
        out.append("    " + " ".join("0x%08X," % w for w in words[i:i + 6]))
    path = sys.argv[1] if len(sys.argv) > 1 else "security/BlowfishConstants.inc"
    with open(path, "w") as f:
        f.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
