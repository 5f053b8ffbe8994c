"""The Python module's speed in one process, alternated rounds, medians:
  1. beside Debian's python3-html2text on the same pages as the same str;
  2. two threads against one, on the pages under 1 MiB (the interpreter's lock is let go of
     while a page converts).

    /usr/bin/python3 bench/python/bench.py [FILE|DIR ...]

Pages: those given, else the JavaScript benchmark's (bench/js/pages.mjs: the examples and 14
pages of Debian's documentation packages, when installed).
"""
import os
import statistics
import subprocess
import sys
import time
from concurrent.futures import ThreadPoolExecutor

import html2text
import vellumine

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "../.."))


def page_paths(args):
    if not args:
        # The JavaScript benchmark's list of Debian's pages, those installed.
        listed = subprocess.run(
            ["node", "-e", "import('./bench/js/pages.mjs').then(m => "
             "console.log(Object.values(m.DEBIAN_PAGES).flat().join('\\n')))"],
            cwd=ROOT, capture_output=True, text=True)
        args = [os.path.join(ROOT, "examples")] + [
            line for line in listed.stdout.splitlines() if line and os.path.exists(line)]
    paths = []
    for arg in args:
        if os.path.isdir(arg):
            paths += sorted(os.path.join(arg, name) for name in os.listdir(arg)
                            if name.endswith((".html", ".htm")))
        else:
            paths.append(arg)
    return paths


def timed(run, rounds):
    return [_seconds(run) for _ in range(rounds)]


def _seconds(run):
    start = time.perf_counter()
    run()
    return time.perf_counter() - start


def main():
    paths = page_paths(sys.argv[1:])
    texts = [open(path, "rb").read().decode("utf-8", "replace") for path in paths]
    size = sum(len(text.encode("utf-8")) for text in texts) / 1e6
    print(f"{len(texts)} pages, {size:.2f} MB (decoded as UTF-8 once, outside the timing)")

    ours = lambda: [vellumine.convert(text, "text") for text in texts]
    theirs = lambda: [html2text.html2text(text) for text in texts]
    ours(), theirs()  # warm up
    mine, other = [], []
    for _ in range(5):
        mine += timed(ours, 3)
        other += timed(theirs, 1)
    v, h = size / statistics.median(mine), size / statistics.median(other)
    print(f"vellumine {v:.1f} MB/s, html2text {h:.2f} MB/s: {v / h:.1f} x")

    small = [text for text in texts if len(text.encode("utf-8")) < (1 << 20)] * 8
    small_size = sum(len(text.encode("utf-8")) for text in small) / 1e6
    with ThreadPoolExecutor(2) as pool:
        one = lambda: [vellumine.convert(text, "text") for text in small]
        two = lambda: list(pool.map(lambda text: vellumine.convert(text, "text"), small))
        one(), two()
        alone, together = [], []
        for _ in range(9):
            alone.append(_seconds(one))
            together.append(_seconds(two))
    a, t = small_size / statistics.median(alone), small_size / statistics.median(together)
    print(f"pages under 1 MiB: one thread {a:.1f} MB/s, two threads {t:.1f} MB/s: {t / a:.2f} x "
          f"({os.cpu_count()} cores)")


if __name__ == "__main__":
    main()
