#!/usr/bin/env python3
"""Judges the XML that Valgrind's memcheck wrote for a run of the program.

Usage: memcheck_report.py <memcheck.xml> [--source-root DIR] [--quiet]

Fails (exit status 1) on
  - any invalid access or free (InvalidRead, InvalidWrite, InvalidFree, MismatchedFree,
    InvalidJump), wherever it happens;
  - an uninitialised value (UninitCondition, UninitValue, SyscallParam, ...) that is ours;
  - a definitely or indirectly lost block that is ours;
  - a log that is incomplete (Valgrind did not finish, so the leak check is missing).
Everything else is counted as noise of the system's libraries (Mesa, X, GLUT) and only
reported. Exit status 2: the file cannot be read.

"Ours" is decided by the frame that asked for the memory or used the value: walking a stack
from its innermost frame, Valgrind's allocator and the C and C++ runtime libraries (libc,
libstdc++, libgcc, libm) are passed over, because they only carry out what their caller
asked for; the first frame after them decides. It is ours when it lies in the project's
sources (app/, graphics/, framework/, utils/ under the source root) or in the program's own
executable (templates of the standard library instantiated by our code live there). Memory
that the GL, GLX, GLUT or X libraries allocate for themselves while we call them is theirs,
even though our functions are further out on the same stack: every stack of the program has
main() in it. For an uninitialised value the origin (with --track-origins=yes) counts too:
the value is ours when either the frame that used it or the one that created it is ours.
"""

import argparse
import os
import sys
import xml.etree.ElementTree as ET

PROJECT_DIRS = ("app", "graphics", "framework", "utils")
INVALID_KINDS = {"InvalidRead", "InvalidWrite", "InvalidFree", "MismatchedFree", "InvalidJump"}
FAILING_LEAKS = {"Leak_DefinitelyLost", "Leak_IndirectlyLost"}
RUNTIME_LIBS = ("libc.so", "libstdc++.so", "libgcc_s.so", "libm.so")


class Frame:
    def __init__(self, elem):
        self.fn = elem.findtext("fn") or "???"
        self.obj = elem.findtext("obj") or ""
        directory = elem.findtext("dir") or ""
        name = elem.findtext("file") or ""
        self.path = os.path.realpath(os.path.join(directory, name)) if name else ""
        self.line = elem.findtext("line") or ""

    def where(self):
        if self.path:
            return "%s (%s:%s)" % (self.fn, self.path, self.line)
        return "%s (%s)" % (self.fn, os.path.basename(self.obj) or "?")


class Judge:
    def __init__(self, source_root, executable):
        root = os.path.realpath(source_root)
        self.project_prefixes = tuple(os.path.join(root, d) + os.sep for d in PROJECT_DIRS)
        self.executable = os.path.basename(executable) if executable else ""

    def is_project(self, frame):
        return frame.path.startswith(self.project_prefixes)

    def is_program(self, frame):
        return bool(self.executable) and os.path.basename(frame.obj) == self.executable

    @staticmethod
    def is_transparent(frame):
        base = os.path.basename(frame.obj)
        return base.startswith("vgpreload_") or base.startswith(RUNTIME_LIBS)

    def owner_frame(self, stack):
        """The first frame, from the innermost, that is not allocator or runtime."""
        for frame in stack:
            if not self.is_transparent(frame):
                return frame
        return None

    def is_ours(self, stack):
        frame = self.owner_frame(stack)
        return frame is not None and (self.is_project(frame) or self.is_program(frame))


class Finding:
    def __init__(self, elem):
        self.kind = elem.findtext("kind") or "?"
        self.what = elem.findtext("what") or elem.findtext("xwhat/text") or ""
        self.stacks = [[Frame(f) for f in s.findall("frame")] for s in elem.findall("stack")]
        self.aux = [a.text or "" for a in elem.findall("auxwhat")]
        self.bytes = int(elem.findtext("xwhat/leakedbytes") or 0)


def judge(findings, j):
    """Splits the findings into (failing, noise, possibly_lost) with a reason for each."""
    failing, noise, possible = [], [], []
    for f in findings:
        main_stack = f.stacks[0] if f.stacks else []
        ours = j.is_ours(main_stack)
        if f.kind.startswith("Leak_"):
            if f.kind in FAILING_LEAKS and ours:
                failing.append((f, "leak allocated by our code"))
            elif f.kind == "Leak_PossiblyLost":
                possible.append((f, "ours" if ours else "system"))
            else:
                noise.append((f, "leak inside a system library"))
        elif f.kind in INVALID_KINDS:
            failing.append((f, "invalid access" + (" in our code" if ours else "")))
        else:
            # Uninitialised values and the like: the use, or with origins the creation.
            origin_ours = any(j.is_ours(s) for s in f.stacks[1:])
            if ours or origin_ours:
                failing.append((f, "uninitialised value used or created by our code"))
            else:
                noise.append((f, "inside a system library"))
    return failing, noise, possible


def describe(f, reason, frames=12):
    lines = ["%s: %s [%s]" % (f.kind, f.what, reason)]
    for i, stack in enumerate(f.stacks):
        if i > 0:
            lines.append("  %s" % (f.aux[i - 1] if i - 1 < len(f.aux) else "and"))
        for frame in stack[:frames]:
            lines.append("    at %s" % frame.where())
    return "\n".join(lines)


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("xml")
    parser.add_argument("--source-root",
                        default=os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    parser.add_argument("--quiet", action="store_true", help="only the summary line")
    args = parser.parse_args(argv)

    try:
        root = ET.parse(args.xml).getroot()
    except (OSError, ET.ParseError) as e:
        print("memcheck: cannot read %s: %s" % (args.xml, e))
        return 2

    finished = any(s.findtext("state") == "FINISHED" for s in root.findall("status"))
    executable = root.findtext("args/argv/exe") or ""
    findings = [Finding(e) for e in root.findall("error")]
    suppressed = sum(int(p.findtext("count") or 0) for p in root.findall("suppcounts/pair"))

    j = Judge(args.source_root, executable)
    failing, noise, possible = judge(findings, j)

    if not args.quiet:
        for f, reason in failing:
            print(describe(f, reason))
        for f, reason in possible:
            if reason == "ours":
                print("note: possibly lost, allocated by our code:")
                print(describe(f, "possibly lost", frames=8))

    noise_leak = sum(f.bytes for f, _ in noise if f.kind.startswith("Leak_"))
    where = {}  # library that asked for the memory or used the value -> findings
    for f, _ in noise:
        frame = j.owner_frame(f.stacks[0] if f.stacks else [])
        lib = os.path.basename(frame.obj) if frame is not None and frame.obj else "?"
        where[lib] = where.get(lib, 0) + 1
    origin = "; noise from " + ", ".join("%s %d" % kv for kv in sorted(where.items()))
    summary = (
        "%d errors: %d ours or invalid, %d system-library noise (%d bytes leaked there), "
        "%d possibly lost, %d suppressed%s"
        % (len(findings), len(failing), len(noise), noise_leak, len(possible), suppressed,
           origin if where else ""))
    if not finished:
        print("memcheck: FAIL: the log is incomplete (Valgrind did not finish); " + summary)
        return 1
    print("memcheck: %s: %s" % ("FAIL" if failing else "ok", summary))
    return 1 if failing else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
