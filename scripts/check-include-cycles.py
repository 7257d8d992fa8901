#!/usr/bin/env python3
"""Fails when the top-level folders of the tree include each other in a cycle.

Every include of a file in another top-level folder is an edge from the including file's top-level
folder to that folder, however it is spelled: "folder/...", <folder/...> (the tree's root is on
the include path) or a path relative to the including file ("../folder/..."). The folder graph must have no cycle, so each layer stands only on
the layers below it (docs/architecture.md gives the order).

usage: check-include-cycles.py [source root]      (default: the folder above this script)
"""
import os
import re
import sys

SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc", ".c")
SKIPPED_FOLDERS = {".git", "build"}
INCLUDE = re.compile(r'^\s*#\s*include\s*(?:"([^"]+)"|<([^>]+)>)', re.MULTILINE)


def included_folder(root, including_folder, quoted, angled):
    """The top-level folder of the tree that an include names, or None (a system header, a file
    beside the including one)."""
    if quoted and quoted.startswith(("./", "../")):
        resolved = os.path.relpath(os.path.normpath(os.path.join(including_folder, quoted)), root)
        return None if resolved.startswith("..") else resolved.split(os.sep)[0]
    name = quoted or angled
    if "/" not in name:
        return None
    top = name.split("/")[0]
    return top if os.path.isdir(os.path.join(root, top)) else None


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
                for quoted, angled in INCLUDE.findall(text):
                    target = included_folder(root, folder, quoted, angled)
                    if target and target != entry:
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
