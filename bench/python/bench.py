"""The Python module's speed in one process, alternated rounds, medians:
  1. beside Debian's python3-html2text on the same pages as the same str;
  2. two threads against one, on the pages under 1 MiB (the interpreter's lock is let go of
     while a page converts), the outputs kept as they come: two threads that take the pages
     from one list, and ThreadPoolExecutor.map, where the calling thread also wakes for every
     page's result (on two cores, a third thread in turn).

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
        def one():
            return [vellumine.convert(text, "text") for text in small]

        def two():
            pages = iter(small)  # (a list's iterator hands each page to one thread)
            return list(pool.map(lambda _: [vellumine.convert(text, "text") for text in pages],
                                 range(2)))

        def mapped():
            return list(pool.map(lambda text: vellumine.convert(text, "text"), small))

        runs = (one, two, mapped)
        for run in runs:
            run()
        seconds = [[] for _ in runs]
        for _ in range(9):
            for run, times in zip(runs, seconds):
                times.append(_seconds(run))
    a, t, m = (small_size / statistics.median(times) for times in seconds)
    print(f"pages under 1 MiB: one thread {a:.1f} MB/s, two threads {t:.1f} MB/s: {t / a:.2f} x; "
          f"ThreadPoolExecutor(2).map {m:.1f} MB/s: {m / a:.2f} x ({os.cpu_count()} cores)")


if __name__ == "__main__":
    main()
