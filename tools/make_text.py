#!/usr/bin/env python3
"""Writes demo/text.txt, the demo scene's text, from tools/text.utf8.txt.

The scene reads its text as 8-bit Windows-1251 with CR LF line ends, so the UTF-8 source kept
here for editing is converted to that."""
import sys


def main(source, target):
    with open(source, encoding="utf-8") as f:
        text = f.read()
    lines = text.split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    with open(target, "wb") as out:
        out.write("\r\n".join(lines).encode("cp1251") + b"\r\n")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "tools/text.utf8.txt",
         sys.argv[2] if len(sys.argv) > 2 else "demo/text.txt")
