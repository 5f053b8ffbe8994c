# The cluster recipe, python/examples/convert_tree_dask.py: a tree converted on a local Dask
# cluster is laid out byte for byte as the native command's `-r` lays it out, a second run
# skips every page, and a worker killed half-way through a run costs nothing.
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
import warnings
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

from helpers import CLI, PAGES, ROOT

EXAMPLE = os.path.join(ROOT, "python", "examples", "convert_tree_dask.py")
# The command's arguments for the recipe's plain text, which is UTF-8.
NATIVE_TEXT = ("-f", "txt", "--text-encoding", "utf-8")
# Where copies of the pages go, and the extensions they take (all pages to the command).
FOLDERS = ["", "news", "news/2024", "shop", "shop/items", "Ünïcode dir"]
EXTENSIONS = [".html", ".htm", ".asp", ".HTML", ".shtml", ".xhtml", ".aspx"]


# count pages, each a repository page with a paragraph of its own number appended (ASCII, so
# every page's character set still reads it), spread over FOLDERS beside files that are not pages.
def make_tree(root, count):
    for folder in FOLDERS:
        Path(root, folder).mkdir(parents=True, exist_ok=True)
        Path(root, folder, "style.css").write_text("p { color: red }\n")
    for number in range(count):
        name = f"page-{number:04d}{EXTENSIONS[number % len(EXTENSIONS)]}"
        page = PAGES[number % len(PAGES)][1] + b"\n<p>Copy number %d.</p>\n" % number
        Path(root, FOLDERS[number % len(FOLDERS)], name).write_bytes(page)


# Every file under root but the manifest: its path relative to root -> read(path), its bytes.
def files_under(root, read=lambda path: Path(path).read_bytes()):
    return {os.path.relpath(os.path.join(directory, name), root): read(os.path.join(directory, name))
            for directory, _, names in os.walk(root) for name in names if name != "manifest.jsonl"}


def manifest(out):
    return [json.loads(line) for line in Path(out, "manifest.jsonl").read_text(encoding="utf-8").splitlines()]


# The manifest's lines as (output, result), sorted.
def results(lines):
    return sorted((line["output"], line["result"]) for line in lines)


# Run on each worker: each output written in two halves, a pause between, for a kill to land in.
def slow_writes(seconds):
    import vellumine
    real = vellumine._vellumine.convert_file_to

    def convert_file_to(path, values, write):
        def halves(data):
            write(data[:len(data) // 2])
            time.sleep(seconds)
            write(data[len(data) // 2:])
        return real(path, values, halves)

    vellumine._vellumine.convert_file_to = convert_file_to


class RecipeTest(unittest.TestCase):
    def setUp(self):
        self.work = Path(self.enterContext(tempfile.TemporaryDirectory(prefix="vellumine-dask-")))
        self.site, self.out = self.work / "site", self.work / "out"

    # Runs the example on two local workers, checks its exit status and summary; gives the manifest.
    def recipe(self, *args, status=0, out=None, says=()):
        out = out or self.out
        run = subprocess.run([sys.executable, EXAMPLE, "-j", "2", "-o", out, *args, self.site],
                             capture_output=True, text=True, timeout=120)
        self.assertEqual(run.returncode, status, run.stdout + run.stderr)
        for text in says:
            self.assertIn(text, run.stdout)
        return manifest(out)

    # Checks that self.out holds byte for byte what the command's `-r` makes of self.site; gives it.
    def assertAsTheCommand(self, *args):
        subprocess.run([CLI, "-q", "-r", "-o", self.work / "native", *args, self.site], capture_output=True)
        expected, outputs = files_under(self.work / "native"), files_under(self.out)
        self.assertEqual(sorted(outputs), sorted(expected))
        for relative, data in expected.items():
            self.assertEqual(outputs[relative], data, relative)
        return outputs

    def test_a_thousand_pages_as_the_command_lays_them_out_then_all_skipped(self):
        make_tree(self.site, 1000)
        lines = self.recipe("-f", "txt", says=["1000 pages: 1000 converted, 0 skipped (up to date), 0 failed"])
        outputs = self.assertAsTheCommand(*NATIVE_TEXT)
        self.assertEqual(len(outputs), 1000)
        self.assertEqual(results(lines), [(output, "converted") for output in sorted(outputs)])

        # Again: every output up to date, none written.
        before = files_under(self.out, read=os.path.getmtime)
        lines = self.recipe("-f", "txt", says=["1000 pages: 0 converted, 1000 skipped (up to date), 0 failed",
                                               "Nothing to convert"])
        self.assertEqual(files_under(self.out, read=os.path.getmtime), before)
        self.assertEqual(results(lines), [(output, "skipped") for output in sorted(outputs)])

        # A page touched after its output is converted again, and only it.
        touched = before["news/page-0001.txt"] + 1
        os.utime(self.site / "news" / "page-0001.htm", (touched, touched))
        lines = self.recipe("-f", "txt", says=["1000 pages: 1 converted, 999 skipped"])
        self.assertEqual([line["page"] for line in lines if line["result"] == "converted"],
                         ["news/page-0001.htm"])

    def test_rtf_with_tables_and_the_walks_rules(self):
        make_tree(self.site, 120)
        # What the walk takes and leaves: hidden pages, a folder named like a page, a link to a
        # page (taken) and to a folder (not followed), two pages with one output (the later
        # refused), an empty page (failed, and its output left empty as the command leaves it).
        (self.site / "old.htm").mkdir()
        for copy in ("old.htm/inside.html", ".hidden.html", ".htm", "page-0000.htm"):
            shutil.copy(self.site / "page-0000.html", self.site / copy)
        (self.site / "linked-folder").symlink_to("shop")
        (self.site / "linked-page.html").symlink_to("page-0006.aspx")
        (self.site / "empty.html").touch()

        lines = self.recipe("-f", "rtf", "-t", status=1)
        outputs = self.assertAsTheCommand("-f", "rtf", "-t")
        failed = sorted((line["page"], line["output"], line["error"])
                        for line in lines if line["result"] == "failed")
        self.assertEqual(failed, [("empty.html", "empty.rtf", "EmptyInputError"),
                                  ("page-0000.html", "page-0000.rtf", "OutputTaken")])
        self.assertEqual(outputs["empty.rtf"], b"")
        self.assertLessEqual({"old.htm/inside.rtf", ".hidden.rtf", "linked-page.rtf"}, outputs.keys())
        self.assertTrue(outputs["shop/page-0003.rtf"].startswith(b"{\\rtf1"))
        self.assertIn(b"\\trowd", b"".join(outputs.values()))  # tables converted

        # A list of pages: those alone, in their folders.
        (self.work / "list.txt").write_text(f"news/page-0001.htm\n{self.site / 'shop' / 'page-0003.HTML'}\n")
        self.recipe("-f", "rtf", "-t", "--files", self.work / "list.txt", out=self.work / "some")
        self.assertEqual(files_under(self.work / "some"),
                         {name: outputs[name] for name in ("news/page-0001.rtf", "shop/page-0003.rtf")})

    def test_a_worker_killed_mid_run(self):
        import cloudpickle
        from distributed import Client, LocalCluster

        # Tornado's notice that distributed 2022.12 still calls IOLoop.make_current.
        warnings.filterwarnings("ignore", "make_current is deprecated", DeprecationWarning)
        cloudpickle.register_pickle_by_value(sys.modules[__name__])
        # The example imported as a module, whose main() sends its functions to the workers by value.
        sys.path.insert(0, os.path.dirname(EXAMPLE))
        import convert_tree_dask
        make_tree(self.site, 160)

        with LocalCluster(n_workers=2, threads_per_worker=1, dashboard_address=None) as cluster, \
                Client(cluster) as client, ThreadPoolExecutor(1) as background:
            client.run(slow_writes, 0.04)
            pids = client.run(os.getpid)
            argv = ["-f", "txt", "--batch", "20", "-q", "-o", str(self.out), str(self.site)]
            run = background.submit(convert_tree_dask.main, argv, client=client)
            # Once a batch is recorded, a worker with batches still to do is killed while half-written
            # outputs are about.
            recorded = self.out / "manifest.jsonl"
            while not (recorded.exists() and recorded.stat().st_size > 0) and not run.done():
                time.sleep(0.01)
            busy = [address for address, tasks in client.processing().items() if tasks]
            self.assertTrue(busy, "no worker left with batches to do")
            self.assertLess(len(recorded.read_text().splitlines()), 160)
            self.assertTrue(any(name.endswith(".part") for _, _, names in os.walk(self.out) for name in names))
            os.kill(pids[busy[0]], signal.SIGKILL)
            self.assertEqual(run.result(), 0)

        self.assertAsTheCommand(*NATIVE_TEXT)  # every output right, no part file left behind
        lines = manifest(self.out)
        self.assertEqual(sorted(line["page"] for line in lines),
                         sorted(name for name in files_under(self.site) if not name.endswith(".css")))
        self.assertLessEqual({line["result"] for line in lines}, {"converted", "skipped"})

