#!/usr/bin/env python3
"""Fails when a file is larger than its size goal.

  check_size.py <file> <goal in bytes>

Prints the file's size, its goal and what is left; exit status 1 when the file is over its goal.
"""
import os
import sys


def main(argv):
    if len(argv) != 2 or not argv[1].isdigit():
        print(__doc__, file=sys.stderr)
        return 2
    path, goal = argv[0], int(argv[1])
    size = os.path.getsize(path)
    if size > goal:
        print(f"{path}: {size} bytes is over its size goal of {goal} bytes by {size - goal}")
        return 1
    print(f"{path}: {size} bytes, within its size goal of {goal} bytes ({goal - size} to spare)")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
