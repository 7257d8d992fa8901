#!/usr/bin/env python3
"""Fails when the top-level folders of the tree include each other in a cycle.

Every `#include "folder/..."` in a C++ file is an edge from the file's top-level folder to the
included file's top-level folder. The folder graph must have no cycle, so each layer stands only on
the layers below it (docs/architecture.md gives the order).

usage: check-include-cycles.py [source root]      (default: the folder above this script)
"""
import os
import re
import sys

SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc", ".c")
SKIPPED_FOLDERS = {".git", "build"}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"/]+)/[^"]*"', re.MULTILINE)


def folder_edges(root):
    """{(from folder, to folder): an example file that makes the edge}"""
    edges = {}
    for entry in sorted(os.listdir(root)):
        top = os.path.join(root, entry)
        if entry in SKIPPED_FOLDERS or entry.startswith(".") or not os.path.isdir(top):
            continue
        for folder, dirs, files in os.walk(top):
            dirs[:] = [d for d in dirs if d not in SKIPPED_FOLDERS]
            for name in files:
                if not name.endswith(SOURCE_SUFFIXES):
                    continue
                path = os.path.join(folder, name)
                with open(path, encoding="utf-8", errors="replace") as source:
                    text = source.read()
                for target in INCLUDE.findall(text):
                    if target != entry and os.path.isdir(os.path.join(root, target)):
                        edges.setdefault((entry, target), os.path.relpath(path, root))
    return edges


def find_cycle(edges):
    """One cycle as a list of folders (first == last), or None."""
    graph = {}
    for source, target in edges:
        graph.setdefault(source, []).append(target)
    state = {}  # absent: unseen, 1: on the current path, 2: done
    path = []

    def visit(node):
        state[node] = 1
        path.append(node)
        for nxt in sorted(graph.get(node, [])):
            if state.get(nxt) == 1:
                return path[path.index(nxt):] + [nxt]
            if nxt not in state:
                found = visit(nxt)
                if found:
                    return found
        path.pop()
        state[node] = 2
        return None

    for node in sorted(graph):
        if node not in state:
            found = visit(node)
            if found:
                return found
    return None


def main(argv):
    root = os.path.abspath(argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
    edges = folder_edges(root)
    cycle = find_cycle(edges)
    if cycle:
        print("include cycle between folders: " + " -> ".join(cycle))
        for source, target in zip(cycle, cycle[1:]):
            print(f"  {source} -> {target}: {edges[(source, target)]}")
        return 1
    print("no include cycle between folders; edges:")
    for source, target in sorted(edges):
        print(f"  {source} -> {target}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
