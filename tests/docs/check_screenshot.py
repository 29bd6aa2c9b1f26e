#!/usr/bin/env python3
"""The picture of the window that the README and the package's metainfo show
(packaging/screenshot.png: the window with its menu bar) is the window of
today: its client area, below the menu bar, is pixel for pixel what
`kvs demo` saves after the same actions.

Usage: check_screenshot.py KVS SCREENSHOT
"""
import os
import subprocess
import sys
import tempfile

from PIL import Image, ImageChops

ACTIONS = ["pick:-54,116", "up", "up", "up", "search"]  # noise 25, the centre (-55, 116)
MENU_BAR = 19  # pixels above the client area in the picture


def main():
    kvs, screenshot = sys.argv[1:]
    shown = Image.open(screenshot).convert("RGB")
    client = (shown.width, shown.height - MENU_BAR)
    with tempfile.TemporaryDirectory() as folder:
        saved = os.path.join(folder, "window.bmp")
        subprocess.run([kvs, "demo", "--client", "%dx%d" % client] + ACTIONS + ["save:" + saved],
                       check=True, stdout=subprocess.DEVNULL)
        window = Image.open(saved).convert("RGB")
    differing = ImageChops.difference(window, shown.crop((0, MENU_BAR) + shown.size)).getbbox()
    if differing:
        print(f"check_screenshot: {screenshot} differs from today's window in {differing}", file=sys.stderr)
        return 1
    print(f"check_screenshot: {screenshot} is today's window, {client[0]}x{client[1]} below its menu bar")
    return 0


if __name__ == "__main__":
    sys.exit(main())
