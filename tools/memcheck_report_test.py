#!/usr/bin/env python3
"""Checks memcheck_report.py on small hand-written memcheck logs: it must fail on our own
faults and on every invalid access, and only count the system libraries' noise."""

import io
import os
import sys
import tempfile
import unittest
from contextlib import redirect_stdout
from xml.sax.saxutils import escape

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import memcheck_report  # noqa: E402

ROOT = "/src/proj"
EXE = "/build/app/pluvina"


def frame(fn, obj, path=None, line=1):
    text = "<frame><ip>0x1</ip><obj>%s</obj><fn>%s</fn>" % (obj, escape(fn))
    if path:
        text += "<dir>%s</dir><file>%s</file><line>%d</line>" % (
            os.path.dirname(path), os.path.basename(path), line)
    return text + "</frame>"


MALLOC = frame("malloc", "/usr/libexec/valgrind/vgpreload_memcheck-amd64-linux.so")
NEW = frame("operator new(unsigned long)", "/usr/lib/x86_64-linux-gnu/libstdc++.so.6.0.30")
STRLEN = frame("strlen", "/usr/lib/x86_64-linux-gnu/libc.so.6")
GLX = frame("???", "/usr/lib/x86_64-linux-gnu/libGLX_mesa.so.0.0.0")
MESA = frame("???", "/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so")
GLUT = frame("glutCreateWindow", "/usr/lib/x86_64-linux-gnu/libglut.so.3.12.0")
ADD_WINDOW = frame("vela::glutyRegistry::addWindow", EXE, ROOT + "/framework/src/registry.cpp")
INIT = frame("Pluvina::init()", EXE, ROOT + "/app/pluvina.cpp")
ALLOC_NEW = frame("libutils::alloc_new::allocate", EXE, ROOT + "/utils/src/alloc_new.cpp")
VECTOR = frame("std::vector<DropState>::_M_default_append", EXE,
               "/usr/include/c++/12/bits/vector.tcc")
MAIN = frame("main", EXE, ROOT + "/app/main.cpp")


def error(kind, *stacks, leaked=0, aux=None):
    body = "<error><unique>0x0</unique><tid>1</tid><kind>%s</kind>" % kind
    if kind.startswith("Leak_"):
        body += "<xwhat><text>%d bytes lost</text><leakedbytes>%d</leakedbytes></xwhat>" % (
            leaked, leaked)
    else:
        body += "<what>%s</what>" % kind
    for i, stack in enumerate(stacks):
        if i > 0:
            body += "<auxwhat>%s</auxwhat>" % (aux or "created here")
        body += "<stack>%s</stack>" % "".join(stack)
    return body + "</error>"


def log(*errors, finished=True):
    status = "<status><state>FINISHED</state></status>" if finished else ""
    return ("<?xml version=\"1.0\"?><valgrindoutput><args><argv><exe>%s</exe></argv></args>"
            "<status><state>RUNNING</state></status>%s%s<suppcounts></suppcounts>"
            "</valgrindoutput>" % (EXE, "".join(errors), status))


def run(text):
    with tempfile.NamedTemporaryFile("w", suffix=".xml", delete=False) as f:
        f.write(text)
    out = io.StringIO()
    try:
        with redirect_stdout(out):
            status = memcheck_report.main([f.name, "--source-root", ROOT])
    finally:
        os.unlink(f.name)
    return status, out.getvalue()


class MemcheckReportTest(unittest.TestCase):
    def test_clean_and_library_noise_pass(self):
        status, out = run(log())
        self.assertEqual(status, 0, out)
        # GLX loses a block it allocated inside glutCreateWindow, far below our addWindow;
        # Mesa's driver branches on a value it made itself while we draw.
        status, out = run(log(
            error("Leak_DefinitelyLost", [MALLOC, GLX, GLX, GLUT, ADD_WINDOW, MAIN], leaked=56),
            error("UninitCondition", [MESA, MESA, INIT, MAIN], [MALLOC, MESA, INIT, MAIN]),
            error("Leak_PossiblyLost", [MALLOC, NEW, INIT, MAIN], leaked=8)))
        self.assertEqual(status, 0, out)
        self.assertIn("2 system-library noise (56 bytes leaked there)", out)
        self.assertIn("1 possibly lost", out)

    def test_our_leaks_fail(self):
        # Directly through operator new, through our allocator, and through a standard
        # container instantiated in our executable.
        for stack in ([MALLOC, NEW, INIT, MAIN], [MALLOC, NEW, ALLOC_NEW, INIT, MAIN],
                      [MALLOC, NEW, VECTOR, INIT, MAIN]):
            for kind in ("Leak_DefinitelyLost", "Leak_IndirectlyLost"):
                status, out = run(log(error(kind, stack, leaked=100)))
                self.assertEqual(status, 1, out)
                self.assertIn("memcheck: FAIL", out)

    def test_invalid_access_fails_anywhere(self):
        for kind in ("InvalidRead", "InvalidWrite", "InvalidFree", "MismatchedFree"):
            status, out = run(log(error(kind, [MESA, GLX, GLUT, MAIN])))
            self.assertEqual(status, 1, out)
            self.assertIn(kind, out)

    def test_our_uninitialised_values_fail(self):
        # Used in our code; passed to libc by our code; made by our allocation and used by
        # the driver (the origin decides).
        for stacks in ([[INIT, MAIN]], [[STRLEN, INIT, MAIN]],
                       [[MESA, GLX, INIT, MAIN], [MALLOC, NEW, ALLOC_NEW, INIT, MAIN]]):
            status, out = run(log(error("UninitCondition", *stacks)))
            self.assertEqual(status, 1, out)
            self.assertIn("Pluvina::init()", out)

    def test_incomplete_log_fails(self):
        status, out = run(log(finished=False))
        self.assertEqual(status, 1, out)
        self.assertIn("incomplete", out)
        status, out = run("<valgrindoutput><error>")
        self.assertEqual(status, 2, out)


if __name__ == "__main__":
    result = unittest.main(argv=[sys.argv[0], "-q"], exit=False).result
    sys.exit(0 if result.wasSuccessful() else 1)
