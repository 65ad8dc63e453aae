#!/usr/bin/env python3
"""Reads `xwininfo -root -tree` on standard input and prints, for each top-level window whose name
is exactly argv[1]: its id, its geometry and the size of its largest child ("-" for none).

An empty name stands for a window of the program that has no title (a message box with an empty
caption): one with no name but the program's class, unlike Wine's own nameless helper windows."""
import re
import sys

line_pattern = re.compile(r'^(\s*)(0x[0-9a-f]+) (?:"(.*)"|\(has no name\)): \((.*?)\)\s+(\d+x\d+)[+-]\d+[+-]\d+\s+([+-]\d+[+-]\d+)\s*$')


def main():
    wanted = sys.argv[1]
    entries = []
    for line in sys.stdin:
        match = line_pattern.match(line)
        if match:
            indent, wid, name, window_class, size, position = match.groups()
            if name is None and window_class:
                name = ''  # nameless, but the program's own
            entries.append((len(indent), wid, name, size, position))
    if not entries:
        return 0
    top = min(indent for indent, *_ in entries)
    for i, (indent, wid, name, size, position) in enumerate(entries):
        if indent != top or name != wanted:
            continue
        largest, area = '-', 0
        for child_indent, _, _, child_size, _ in entries[i + 1:]:
            if child_indent <= top:
                break
            w, h = map(int, child_size.split('x'))
            if w * h > area:
                largest, area = child_size, w * h
        print(wid, size + position, largest)
    return 0


if __name__ == '__main__':
    sys.exit(main())
