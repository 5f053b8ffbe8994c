"""The cluster recipe, python/examples/convert_tree_dask.py: a tree converted on a local Dask
cluster is laid out byte for byte as the native command's `-r` lays it out, a second run
skips every page, and a worker killed half-way through a run costs nothing."""
import importlib.util
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import unittest
import warnings

ROOT = os.environ.get("VELLUMINE_ROOT", "/work/main")
CLI = os.environ.get("VELLUMINE_CLI", os.path.join(ROOT, "build", "cli", "vellumine"))
EXAMPLE = os.path.join(ROOT, "python", "examples", "convert_tree_dask.py")


def source_pages():
    """The repository's example pages and the reading cases, as bytes."""
    pages = []
    for folder in (os.path.join(ROOT, "examples"), os.path.join(ROOT, "tests", "engine", "data", "reading")):
        for name in sorted(os.listdir(folder)):
            if name.endswith((".html", ".htm", ".asp")):
                with open(os.path.join(folder, name), "rb") as page:
                    pages.append(page.read())
    return pages


# Where copies of the pages go, and the extensions they take (all pages to the command).
FOLDERS = ["", "news", "news/2024", "shop", "shop/items", "Ünïcode dir"]
EXTENSIONS = [".html", ".htm", ".asp", ".HTML", ".shtml", ".xhtml", ".aspx"]


def make_tree(root, count):
    """count pages, each a repository page with a paragraph of its own number appended (ASCII,
    so every page's character set still reads it), spread over FOLDERS; and files that are not
    pages beside them."""
    pages = source_pages()
    for folder in FOLDERS:
        os.makedirs(os.path.join(root, folder), exist_ok=True)
        with open(os.path.join(root, folder, "style.css"), "w") as other:
            other.write("p { color: red }\n")
    for number in range(count):
        folder = FOLDERS[number % len(FOLDERS)]
        name = f"page-{number:04d}{EXTENSIONS[number % len(EXTENSIONS)]}"
        data = pages[number % len(pages)] + b"\n<p>Copy number %d.</p>\n" % number
        with open(os.path.join(root, folder, name), "wb") as page:
            page.write(data)


def files_under(root, skip=("manifest.jsonl",)):
    """Every file under root (relative path -> bytes), the manifest left out."""
    found = {}
    for directory, _, names in os.walk(root):
        for name in names:
            path = os.path.join(directory, name)
            relative = os.path.relpath(path, root)
            if relative not in skip:
                with open(path, "rb") as file:
                    found[relative] = file.read()
    return found


def mtimes_under(root):
    return {os.path.relpath(os.path.join(d, n), root): os.stat(os.path.join(d, n)).st_mtime_ns
            for d, _, names in os.walk(root) for n in names if n != "manifest.jsonl"}


def manifest(out):
    with open(os.path.join(out, "manifest.jsonl"), encoding="utf-8") as lines:
        return [json.loads(line) for line in lines]


def native_tree(source, out, *args):
    """The native command's recursive conversion of source into out."""
    subprocess.run([CLI, "-q", "-r", "-o", out, *args, source], check=False, capture_output=True)
    return files_under(out)


def run_example(*args):
    return subprocess.run([sys.executable, EXAMPLE, "-j", "2", *args], capture_output=True, text=True,
                          timeout=120)


class RecipeTest(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="vellumine-dask-")
        self.addCleanup(shutil.rmtree, self.work)

    def path(self, *names):
        return os.path.join(self.work, *names)

    def test_a_thousand_pages_as_the_command_lays_them_out_then_all_skipped(self):
        make_tree(self.path("site"), 1000)
        run = run_example("-f", "txt", "-o", self.path("out"), self.path("site"))
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertIn("1000 pages: 1000 converted, 0 skipped (up to date), 0 failed", run.stdout)

        expected = native_tree(self.path("site"), self.path("native"), "-f", "txt", "--text-encoding", "utf-8")
        self.assertEqual(len(expected), 1000)
        outputs = files_under(self.path("out"))
        self.assertEqual(sorted(outputs), sorted(expected))
        for relative, data in expected.items():
            self.assertEqual(outputs[relative], data, relative)
        lines = manifest(self.path("out"))
        self.assertEqual(sorted(line["output"] for line in lines), sorted(expected))
        self.assertEqual({line["result"] for line in lines}, {"converted"})

        # Again: every output up to date, none written.
        before = mtimes_under(self.path("out"))
        again = run_example("-f", "txt", "-o", self.path("out"), self.path("site"))
        self.assertEqual(again.returncode, 0, again.stderr)
        self.assertIn("1000 pages: 0 converted, 1000 skipped (up to date), 0 failed", again.stdout)
        self.assertIn("Nothing to convert", again.stdout)
        self.assertEqual(mtimes_under(self.path("out")), before)
        lines = manifest(self.path("out"))
        self.assertEqual(len(lines), 1000)
        self.assertEqual({line["result"] for line in lines}, {"skipped"})

        # A page touched after its output is converted again, and only it.
        page = self.path("site", "news", "page-0001.htm")
        os.utime(page, ns=(before["news/page-0001.txt"] + 10**9,) * 2)
        third = run_example("-f", "txt", "-o", self.path("out"), self.path("site"))
        self.assertIn("1000 pages: 1 converted, 999 skipped", third.stdout)
        self.assertEqual([line["page"] for line in manifest(self.path("out")) if line["result"] == "converted"],
                         ["news/page-0001.htm"])

    def test_rtf_with_tables_and_the_walks_rules(self):
        make_tree(self.path("site"), 120)
        site = self.path("site")
        # What the walk takes and leaves: hidden pages, a folder named like a page, a link to a
        # page (taken) and to a folder (not followed), two pages with one output (the later
        # refused), an empty page (failed).
        os.makedirs(self.path("site", "old.htm"))
        shutil.copy(self.path("site", "page-0000.html"), self.path("site", "old.htm", "inside.html"))
        shutil.copy(self.path("site", "page-0000.html"), self.path("site", ".hidden.html"))
        shutil.copy(self.path("site", "page-0000.html"), self.path("site", ".htm"))
        shutil.copy(self.path("site", "page-0000.html"), self.path("site", "page-0000.htm"))
        os.symlink("shop", self.path("site", "linked-folder"))
        os.symlink("page-0006.aspx", self.path("site", "linked-page.html"))
        open(self.path("site", "empty.html"), "wb").close()

        run = run_example("-f", "rtf", "-t", "-o", self.path("out"), site)
        self.assertEqual(run.returncode, 1, run.stdout)
        expected = native_tree(site, self.path("native"), "-f", "rtf", "-t")
        outputs = files_under(self.path("out"))
        failed = {line["output"]: line for line in manifest(self.path("out")) if line["result"] == "failed"}
        self.assertEqual({output: line["error"] for output, line in failed.items()},
                         {"empty.rtf": "EmptyInputError", "page-0000.rtf": "OutputTaken"})
        self.assertEqual(failed["page-0000.rtf"]["page"], "page-0000.html")
        # An empty page leaves an empty output, as the command leaves one.
        self.assertEqual(set(outputs), set(expected))
        self.assertEqual(outputs["empty.rtf"], b"")
        for relative, data in outputs.items():
            self.assertEqual(data, expected[relative], relative)
        self.assertIn("old.htm/inside.rtf", outputs)
        self.assertIn(".hidden.rtf", outputs)
        self.assertIn("linked-page.rtf", outputs)
        self.assertTrue(outputs["shop/page-0003.rtf"].startswith(b"{\\rtf1"))
        self.assertIn(b"\\trowd", b"".join(outputs.values()))  # tables converted

        # A list of pages: those alone, in their folders.
        with open(self.path("list.txt"), "w") as listed:
            listed.write("news/page-0001.htm\n" + self.path("site", "shop", "page-0003.HTML") + "\n")
        run = run_example("-f", "rtf", "-t", "--files", self.path("list.txt"), "-o", self.path("some"), site)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(files_under(self.path("some")),
                         {name: expected[name] for name in ("news/page-0001.rtf", "shop/page-0003.rtf")})


def load_example():
    spec = importlib.util.spec_from_file_location("convert_tree_dask", EXAMPLE)
    module = importlib.util.module_from_spec(spec)
    sys.modules[spec.name] = module
    spec.loader.exec_module(module)
    return module


def slow_writes(seconds):
    """Run on each worker: every output written in two halves with a pause between, so that a
    worker killed at any moment is most likely in the middle of writing one."""
    import time as clock

    import vellumine
    real = vellumine._vellumine.convert_file_to

    def convert_file_to(path, values, write):
        def halves(data):
            write(data[:len(data) // 2])
            clock.sleep(seconds)
            write(data[len(data) // 2:])
        return real(path, values, halves)

    vellumine._vellumine.convert_file_to = convert_file_to


class KilledWorkerTest(unittest.TestCase):
    def test_a_worker_killed_mid_run(self):
        import cloudpickle
        from distributed import Client, LocalCluster

        # Tornado's notice that distributed 2022.12 still calls IOLoop.make_current.
        warnings.filterwarnings("ignore", "make_current is deprecated", DeprecationWarning)
        cloudpickle.register_pickle_by_value(sys.modules[__name__])
        example = load_example()
        work = tempfile.mkdtemp(prefix="vellumine-dask-kill-")
        self.addCleanup(shutil.rmtree, work)
        site, out = os.path.join(work, "site"), os.path.join(work, "out")
        make_tree(site, 160)

        with LocalCluster(n_workers=2, threads_per_worker=1, dashboard_address=None) as cluster, \
                Client(cluster) as client:
            client.run(slow_writes, 0.04)
            pids = client.run(os.getpid)
            seen, finished = {}, threading.Event()

            def kill_after_the_first_batch():
                manifest_path = os.path.join(out, "manifest.jsonl")
                while not (os.path.exists(manifest_path) and os.path.getsize(manifest_path) > 0):
                    if finished.wait(0.01):
                        return
                busy = client.processing()
                victim = next((address for address in pids if busy.get(address)), None)
                seen["tasks"] = len(busy[victim]) if victim else 0
                seen["parts"] = [name for _, _, names in os.walk(out) for name in names if name.endswith(".part")]
                with open(manifest_path) as lines:
                    seen["recorded"] = len(lines.readlines())
                if victim:
                    os.kill(pids[victim], signal.SIGKILL)

            killer = threading.Thread(target=kill_after_the_first_batch)
            killer.start()
            try:
                status = example.main(["-f", "txt", "--batch", "20", "-q", "-o", out, site], client=client)
            finally:
                finished.set()
                killer.join()

        expected = native_tree(site, os.path.join(work, "native"), "-f", "txt", "--text-encoding", "utf-8")
        outputs = files_under(out)
        self.assertEqual(sorted(outputs), sorted(expected))  # no part file left behind
        for relative, data in expected.items():
            self.assertEqual(outputs[relative], data, relative)
        lines = manifest(out)
        self.assertEqual(sorted(line["page"] for line in lines),
                         sorted(os.path.relpath(os.path.join(d, n), site) for d, _, names in os.walk(site)
                                for n in names if not n.endswith(".css")))
        self.assertLessEqual({line["result"] for line in lines}, {"converted", "skipped"})
        self.assertEqual(status, 0)
        # The kill landed while the victim had batches and half-written outputs were about.
        self.assertGreater(seen["tasks"], 0)
        self.assertLess(seen["recorded"], 160)
        self.assertTrue(seen["parts"])


if __name__ == "__main__":
    unittest.main()
