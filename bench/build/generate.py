#!/usr/bin/env python3
"""Writes one synthetic project for bramle, GNU make and ninja.

The project is a two-level tree: every object obj/oN depends on its source
src/sN.c and on the shared header src/common.h; every library lib/lM depends
on ten objects; "all" depends on every library. Each command writes its
target with echo, so a full build measures the tool's cost per command and a
no-op run measures reading the build description and checking file times.

    generate.py TARGETS DIRECTORY

writes DIRECTORY/bramle/Makefile (NMAKE dialect), DIRECTORY/make/Makefile
(GNU make) and DIRECTORY/ninja/build.ninja, each beside its own copy of the
sources, and prints the number of targets with commands.
"""

import os
import sys

OBJECTS_PER_LIBRARY = 10


class Project:
    def __init__(self, targets):
        # targets = objects + libraries, libraries = ceil(objects / 10).
        self.objects = max(1, (targets * OBJECTS_PER_LIBRARY) // (OBJECTS_PER_LIBRARY + 1))
        self.libraries = -(-self.objects // OBJECTS_PER_LIBRARY)

    @property
    def targets(self):
        return self.objects + self.libraries

    def library_members(self, library):
        first = library * OBJECTS_PER_LIBRARY
        return range(first, min(first + OBJECTS_PER_LIBRARY, self.objects))

    def library_names(self):
        return " ".join(f"lib/l{m}" for m in range(self.libraries))


def write_sources(project, root):
    os.makedirs(os.path.join(root, "src"), exist_ok=True)
    with open(os.path.join(root, "src", "common.h"), "w") as header:
        header.write("/* shared */\n")
    for n in range(project.objects):
        with open(os.path.join(root, "src", f"s{n}.c"), "w") as source:
            source.write(f"int s{n};\n")
    # The tools write into these folders; none of them creates folders.
    os.makedirs(os.path.join(root, "obj"), exist_ok=True)
    os.makedirs(os.path.join(root, "lib"), exist_ok=True)


def make_rules(project, out, phony):
    """Makefile text; the NMAKE dialect and GNU make share it but for .PHONY."""
    out.write(f"all: {project.library_names()}\n")
    if phony:
        out.write(".PHONY: all\n")
    for m in range(project.libraries):
        members = " ".join(f"obj/o{n}" for n in project.library_members(m))
        out.write(f"\nlib/l{m}: {members}\n\techo l{m} > lib/l{m}\n")
    for n in range(project.objects):
        out.write(f"\nobj/o{n}: src/s{n}.c src/common.h\n\techo o{n} > obj/o{n}\n")


def ninja_rules(project, out):
    out.write("rule write\n  command = echo $name > $out\n\n")
    for m in range(project.libraries):
        members = " ".join(f"obj/o{n}" for n in project.library_members(m))
        out.write(f"build lib/l{m}: write {members}\n  name = l{m}\n")
    for n in range(project.objects):
        out.write(f"build obj/o{n}: write src/s{n}.c src/common.h\n  name = o{n}\n")
    out.write(f"\nbuild all: phony {project.library_names()}\ndefault all\n")


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    project = Project(int(sys.argv[1]))
    base = sys.argv[2]
    for tool in ("bramle", "make", "ninja"):
        root = os.path.join(base, tool)
        write_sources(project, root)
        if tool == "ninja":
            with open(os.path.join(root, "build.ninja"), "w") as out:
                ninja_rules(project, out)
        else:
            with open(os.path.join(root, "Makefile"), "w") as out:
                make_rules(project, out, phony=(tool == "make"))
    print(project.targets)


if __name__ == "__main__":
    main()
