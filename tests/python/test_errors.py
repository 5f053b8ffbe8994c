# Every failure is an exception: the input's as open() raises them, the library's results
# as VellumineError's kinds, wrong options as TypeError or ValueError, Ctrl-C as
# KeyboardInterrupt, promptly.
import io
import os
import signal
import subprocess
import sys
import tempfile
import textwrap
import time
import unittest

import vellumine
from helpers import ROOT


def raised(call):
    try:
        call()
    except BaseException as error:  # noqa: B902 (KeyboardInterrupt is one of them)
        return type(error)


class Errors(unittest.TestCase):
    def test_each_failure_raises_its_exception(self):
        example = os.path.join(ROOT, "examples", "latin1-cafe-menu.html")
        closed = io.BytesIO()
        closed.close()  # its write raises ValueError
        with tempfile.TemporaryDirectory() as folder:
            cases = [
                ("an empty str", lambda: vellumine.convert("", "text"), vellumine.EmptyInputError),
                ("no bytes", lambda: vellumine.convert(b"", "rtf"), vellumine.EmptyInputError),
                ("an empty stream", lambda: vellumine.convert_stream(io.BytesIO(), io.BytesIO(), "text"),
                 vellumine.EmptyInputError),
                ("no such format", lambda: vellumine.convert("x", "txt"), ValueError),
                ("no format", lambda: vellumine.convert("x", None), TypeError),
                ("no such option", lambda: vellumine.convert("x", "text", colour="red"), TypeError),
                ("no such choice", lambda: vellumine.convert("x", "text", links="all"), ValueError),
                ("a number out of range", lambda: vellumine.convert("x", "text", wrap=100001), ValueError),
                ("a number as a str", lambda: vellumine.convert("x", "text", wrap="72"), TypeError),
                ("a switch as an int", lambda: vellumine.convert("x", "rtf", tables=1), TypeError),
                ("a character set for a str", lambda: vellumine.convert("x", "text", encoding="koi8-r"),
                 ValueError),
                ("links with the classic reading",
                 lambda: vellumine.convert("x", "text", reading="classic", links="list"),
                 vellumine.InvalidArgumentError),
                ("a page that is neither", lambda: vellumine.convert(42, "text"), TypeError),
                ("a missing file", lambda: vellumine.convert_file(os.path.join(folder, "none.html"), folder, "text"),
                 FileNotFoundError),
                ("a folder for a file", lambda: vellumine.convert_file(folder, folder, "text"), IsADirectoryError),
                ("an output folder that is not there",
                 lambda: vellumine.convert_file(example, os.path.join(folder, "none"), "text"),
                 vellumine.CannotOpenOutputError),
                ("a writer that fails", lambda: vellumine.convert_stream(
                    io.BytesIO(b"<p>a page"), closed, "text"), ValueError),
            ]
            for name, call, error in cases:
                with self.subTest(name):
                    self.assertIs(raised(call), error)
            self.assertEqual(os.listdir(folder), [])  # nothing left behind

    def test_an_empty_page_leaves_an_empty_output_where_there_was_none(self):
        with tempfile.TemporaryDirectory() as folder:
            page, output = os.path.join(folder, "empty.html"), os.path.join(folder, "empty.txt")
            open(page, "wb").close()
            for before, after in [(None, b""), (b"kept", b"kept")]:
                if before is not None:
                    with open(output, "wb") as f:
                        f.write(before)
                self.assertIs(raised(lambda: vellumine.convert_file(page, folder, "text")),
                              vellumine.EmptyInputError)
                with open(output, "rb") as f:
                    self.assertEqual(f.read(), after)
            self.assertEqual(sorted(os.listdir(folder)), ["empty.html", "empty.txt"])

    @unittest.skipIf(os.geteuid() == 0, "root reads every file")
    def test_an_unreadable_file_raises_permission_error(self):
        with tempfile.TemporaryDirectory() as folder:
            page = os.path.join(folder, "page.html")
            with open(page, "wb") as f:
                f.write(b"<p>x")
            os.chmod(page, 0)
            self.assertIs(raised(lambda: vellumine.convert_file(page, folder, "text")), PermissionError)

    # Measured against the same conversion run whole just before, in the same process: the
    # interrupted one ends in well under the time the whole one took.
    def test_ctrl_c_stops_a_long_conversion_promptly(self):
        child = subprocess.Popen([sys.executable, "-c", textwrap.dedent("""
            import time, vellumine
            page = b"<p>" + b"a few words of a long page " * 12_000_000 + b"</p>"
            start = time.monotonic()
            vellumine.convert(page, "text", encoding="utf-8")
            print("whole", time.monotonic() - start, flush=True)
            start = time.monotonic()
            try:
                vellumine.convert(page, "text", encoding="utf-8")
                print("finished", time.monotonic() - start, flush=True)
            except KeyboardInterrupt:
                print("interrupted", time.monotonic() - start, flush=True)
            """)], stdout=subprocess.PIPE, text=True, env=dict(os.environ, PYTHONPATH=os.pathsep.join(sys.path)))
        try:
            word, whole = child.stdout.readline().split()
            self.assertEqual(word, "whole")
            time.sleep(float(whole) / 10)
            child.send_signal(signal.SIGINT)
            outcome, seconds = child.stdout.readline().split()
        finally:
            child.kill()
            child.wait()
            child.stdout.close()
        self.assertEqual(outcome, "interrupted")
        self.assertLess(float(seconds), float(whole) / 2)
