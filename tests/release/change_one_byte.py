#!/usr/bin/env python3
"""change_one_byte.py <program.exe> <copy.exe>: copies a signed program with one byte of its first
section changed, as a program changed after it was signed."""
import os
import sys

CHANGED_OFFSET = 4096  # inside the first section of any program this size

source, copy = sys.argv[1:]
with open(source, "rb") as f:
    data = bytearray(f.read())
data[CHANGED_OFFSET] ^= 0xFF
os.makedirs(os.path.dirname(copy), exist_ok=True)
with open(copy, "wb") as f:
    f.write(data)
