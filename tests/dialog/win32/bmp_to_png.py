#!/usr/bin/env python3
"""Turns the drivers' 24-bit BMP pictures into PNG files, to be looked at, with the gallery's own
converter (an 8-bit palette PNG).

  bmp_to_png.py <picture.bmp>...   (writes picture.png beside each)
"""

import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "tools", "gallery"))
from gallery_docs import bmp_to_png  # noqa: E402

for name in sys.argv[1:]:
    bmp_to_png(name, name[:-4] + ".png")
