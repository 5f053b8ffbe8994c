# The module converts every page as the native command does, byte for byte, whatever way
# the page is given: bytes, text, a file or a stream, on one thread or several.
import io
import os
import signal
import tempfile
import unittest
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

import vellumine
from helpers import PAGES, WAYS, native


class Conversions(unittest.TestCase):
    def mismatches(self, convert_one, extra=()):
        wrong = []
        for way, format, options, args in WAYS:
            for name, data in PAGES:
                got = convert_one(data, format, options)
                if got is not None and got != native(data, [*args, *extra]):
                    wrong.append(f"{name} ({way}, {options['reading']})")
        return wrong

    def test_bytes_convert_as_the_command_converts_them(self):
        self.assertEqual(self.mismatches(
            lambda data, format, options: vellumine.convert(data, format, as_bytes=True, **options)), [])

    def test_the_strings_returned_are_the_commands_bytes_as_text(self):
        def as_bytes(data, format, options):
            out = vellumine.convert(data, format, **options)
            return out.encode("utf-8" if format == "text" else "latin-1")
        self.assertEqual(self.mismatches(as_bytes), [])

    def test_a_str_is_read_as_the_text_it_is(self):
        strings = []

        def from_text(data, format, options):
            try:
                text = data.decode("utf-8-sig")
            except UnicodeDecodeError:
                return None  # not UTF-8: no str to give
            strings.append(text)
            return vellumine.convert(text, format, as_bytes=True, **options)
        self.assertEqual(self.mismatches(from_text, ["-e", "utf-8"]), [])
        self.assertGreater(len(strings), 100)

    def test_files_convert_into_a_folder_under_their_names(self):
        with tempfile.TemporaryDirectory() as folder:
            def through_file(data, format, options):
                page = Path(folder, "page.html")
                page.write_bytes(data)
                out = vellumine.convert_file(page, folder, format, image_root="", **options)
                self.assertEqual(out, str(page.with_suffix(".txt" if format == "text" else ".rtf")))
                return Path(out).read_bytes()
            self.assertEqual(self.mismatches(through_file), [])
            self.assertEqual(sorted(os.listdir(folder)), ["page.html", "page.rtf", "page.txt"])

    def test_streams_convert_in_pieces_as_whole_pages(self):
        def through_stream(data, format, options):
            out = io.BytesIO()
            vellumine.convert_stream(io.BytesIO(data), out, format, chunk_size=1000, **options)
            return out.getvalue()
        self.assertEqual(self.mismatches(through_stream), [])

    def test_threads_convert_in_parallel_with_the_same_bytes(self):
        jobs = [(data, format, options) for _, format, options, _ in WAYS for _, data in PAGES] * 3
        alone = [vellumine.convert(data, format, as_bytes=True, **options) for data, format, options in jobs]
        with ThreadPoolExecutor(4) as pool:
            together = list(pool.map(lambda job: vellumine.convert(job[0], job[1], as_bytes=True, **job[2]), jobs))
        self.assertTrue(together == alone)

    # A signal handler that converts during the main thread's conversion (while it looks for
    # Ctrl-C): each output is its own, whole (a thread's kept buffer is lent to one at a time).
    def test_a_conversion_in_a_signal_handler_leaves_both_outputs_whole(self):
        page, small, inner = b"<p>" + b"a line<br>" * 4_000_000 + b"</p>", b"<h1>Small</h1>", []
        signal.signal(signal.SIGALRM, lambda *_: inner.append(vellumine.convert(small, "text")))
        signal.setitimer(signal.ITIMER_REAL, 0.001, 0.001)
        outer = vellumine.convert(page, "text")
        signal.setitimer(signal.ITIMER_REAL, 0)
        self.assertTrue(inner and set(inner) == {vellumine.convert(small, "text")})
        self.assertTrue(outer == vellumine.convert(page, "text"))

