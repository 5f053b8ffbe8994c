#!/usr/bin/env python3
"""Converts a tree of HTML pages on a Dask cluster, as `vellumine -r -u` lays it out.

    convert_tree_dask.py -f txt -o out site                  # a local cluster, one worker a core
    convert_tree_dask.py -f rtf -t -o out --scheduler sched:8786 /srv/site
    convert_tree_dask.py -f txt -o out --files pages.txt site   # only the pages listed

The pages are those `vellumine -r` takes (every name whose last extension holds "htm" or
"asp", hidden ones too; links to directories are not followed), each converted into the
mirrored sub-directory of the output folder under its name with the last extension
replaced by .txt or .rtf. Plain text is UTF-8 (the command's --text-encoding utf-8).

The pages go to the workers in batches (--batch pages a task). A page whose output is not
older than it is skipped, as with `vellumine -u`, so a run stopped half-way is resumed by
running it again (--force converts every page). Each output is written under a name of its
own and renamed whole, so it is complete or missing; the batches of a worker that dies are
run again on the others. The workers must see the pages and the output folder under the
same paths as this program (one machine, or a shared file system).

OUT/manifest.jsonl gets a line for each page as its batch comes back:
    {"page": "sub/a.html", "output": "sub/a.txt", "result": "converted"}
with "skipped" for a page up to date, and "failed" with "error" (the exception's class)
and "message". The exit status is 0 when every page was converted or skipped, 1 otherwise,
2 for wrong arguments.
"""

from __future__ import annotations

import argparse
import json
import os
import re
import stat
import sys
import time

# Deeper than this the walk does not go, as the command's walk does not.
MAX_DEPTH = 64
EXTENSIONS = {"text": ".txt", "rtf": ".rtf"}


def is_page_name(name: str) -> bool:
    """Whether the command takes the file as a page: its extension (from the last ".", one
    in the first place not counting; the whole name without one) holds "htm" or "asp",
    letters in either case."""
    raw = os.fsencode(name)
    dot = raw.rfind(b".")
    extension = (raw[dot:] if dot > 0 else raw).lower()  # ASCII letters alone
    return b"htm" in extension or b"asp" in extension


def output_name(name: str, format: str) -> str:
    """The page's name with everything from its last "." replaced by the format's extension."""
    dot = name.rfind(".")
    return (name[:dot] if dot >= 0 else name) + EXTENSIONS[format]


def walk(root: str, relative: str = "", depth: int = 0, pages: list | None = None) -> list[str]:
    """The pages under root as paths relative to it, in the command's order: each
    directory's entries sorted by their bytes, a sub-directory's pages in its place."""
    pages = [] if pages is None else pages
    directory = os.path.join(root, relative)
    try:
        names = sorted(os.listdir(directory or "."), key=os.fsencode)
    except OSError:
        if depth == 0:
            raise
        return pages  # a sub-directory that cannot be listed is passed over
    for name in names:
        path = os.path.join(directory, name)
        try:
            is_directory = stat.S_ISDIR(os.stat(path).st_mode)
        except OSError:
            is_directory = False  # a broken link: a page when its name says so
        if is_directory:
            if depth < MAX_DEPTH and not os.path.islink(path):
                walk(root, os.path.join(relative, name), depth + 1, pages)
            continue
        if is_page_name(name):
            pages.append(os.path.join(relative, name))
    return pages


def listed_pages(root: str, list_file: str) -> list[str]:
    """The pages named in list_file, one a line (relative to root, or absolute under it)."""
    pages = []
    with open(list_file, encoding="utf-8", errors="surrogateescape") as lines:
        for line in lines:
            line = line.rstrip("\r\n")
            if not line.strip():
                continue
            relative = os.path.relpath(os.path.join(root, line), root)
            if relative == os.pardir or relative.startswith(os.pardir + os.sep):
                raise ValueError(f"{line} is not under {root}")
            pages.append(relative)
    return pages


def up_to_date(page: str, output: str) -> bool:
    """The output exists and is not older than the page (both must be found)."""
    try:
        return os.stat(output).st_mtime_ns >= os.stat(page).st_mtime_ns
    except OSError:
        return False


def convert_batch(pages: list[tuple[str, str, str]], format: str, options: dict,
                  update: bool) -> list[tuple[str, str | None, str | None]]:
    """Runs on a worker: converts (page, output folder, output) in turn and gives back, for
    each, ("converted" | "skipped", None, None) or ("failed", error class, message). A
    failure of the page's own (the library's result, a file that cannot be read) is
    recorded; anything else fails the whole batch, which Dask then retries."""
    import vellumine

    results = []
    for page, output_dir, output in pages:
        if update and up_to_date(page, output):
            results.append(("skipped", None, None))
            continue
        try:
            vellumine.convert_file(page, output_dir, format, **options)
        except (OSError, vellumine.VellumineError) as error:
            results.append(("failed", type(error).__name__, str(error)))
        else:
            results.append(("converted", None, None))
    return results


# The part files vellumine.convert_file writes an output under before renaming it.
PART_NAME = re.compile(r"\.(.+)\.[0-9a-f]{12}\.part\Z", re.S)


def remove_parts(outputs: dict[str, set[str]]) -> int:
    """Removes what a killed worker may have left of an output it was writing: the part
    files beside the run's outputs. Gives their number."""
    removed = 0
    for directory, names in outputs.items():
        try:
            entries = os.listdir(directory)
        except OSError:
            continue
        for entry in entries:
            match = PART_NAME.match(entry)
            if match and match.group(1) in names:
                try:
                    os.unlink(os.path.join(directory, entry))
                    removed += 1
                except FileNotFoundError:
                    pass
    return removed


def parse_arguments(argv: list[str] | None) -> argparse.Namespace:
    parser = argparse.ArgumentParser(
        description="Converts a tree of HTML pages on a Dask cluster, laid out as `vellumine -r` "
                    "lays it out, with a manifest of the results.")
    parser.add_argument("source", metavar="DIR",
                        help="the folder of pages (a file: its folder), walked as `vellumine -r` walks it")
    parser.add_argument("-o", "--output", default=".", metavar="OUT", help="output folder (default: .)")
    parser.add_argument("--files", metavar="LIST",
                        help="convert only the pages named in LIST, one a line, relative to DIR or under it")
    parser.add_argument("-f", "--format", choices=("txt", "rtf"), default="rtf", help="output format (default: rtf)")
    parser.add_argument("-t", "--tables", action="store_true", help="convert tables (RTF only)")
    parser.add_argument("-e", "--encoding", default="auto", metavar="NAME",
                        help="input encoding: auto, windows-1251, koi8-r, iso-8859-1, iso-8859-5, utf-8 (or utf8)")
    parser.add_argument("--links", choices=("none", "inline", "list"), default="none",
                        help="plain text: where a link's address goes")
    parser.add_argument("--wrap", type=int, default=0, metavar="N", help="plain text: wrap paragraphs at N columns")
    parser.add_argument("--font", default=None, metavar="NAME", help="RTF font face")
    parser.add_argument("--size", type=int, default=None, metavar="POINTS", help="RTF font size in points")
    parser.add_argument("--classic", action="store_true", help="read the pages as version 1.2 did")
    parser.add_argument("--images", choices=("embed", "alt"), default="embed", help="RTF: pictures embedded or their alt text")
    parser.add_argument("--image-root", metavar="DIR", help="the folder pictures' files may come from")
    parser.add_argument("--force", action="store_true", help="convert every page, up to date or not")
    cluster = parser.add_argument_group("cluster")
    cluster.add_argument("--scheduler", metavar="HOST:PORT", help="a running Dask scheduler (default: a local cluster)")
    cluster.add_argument("-j", "--workers", type=int, metavar="N",
                         help="local cluster: worker processes, one thread each (default: one a core)")
    cluster.add_argument("--batch", type=int, default=50, metavar="N", help="pages a task (default: 50)")
    cluster.add_argument("--retries", type=int, default=2, metavar="N",
                         help="times a failed batch is tried again (default: 2)")
    parser.add_argument("--manifest", metavar="FILE", help="the manifest (default: OUT/manifest.jsonl)")
    parser.add_argument("-q", "--quiet", action="store_true", help="no summary; failures alone")
    args = parser.parse_args(argv)

    if args.workers is not None and (args.scheduler or args.workers < 1):
        parser.error("--workers is the local cluster's: 1 or more, and not with --scheduler")
    if args.batch < 1 or args.retries < 0:
        parser.error("--batch takes 1 or more, --retries 0 or more")
    if not os.path.exists(args.source):
        parser.error(f"{args.source} does not exist")
    args.options = {"tables": args.tables, "links": args.links, "wrap": args.wrap, "images": args.images,
                    "reading": "classic" if args.classic else "default"}
    encoding = args.encoding.lower()
    args.options["encoding"] = "utf-8" if encoding == "utf8" else encoding
    if args.font is not None:
        args.options["font_name"] = args.font
    if args.size is not None:
        args.options["font_size"] = args.size
    if args.image_root is not None:
        args.options["image_root"] = os.path.abspath(args.image_root)
    args.format = "text" if args.format == "txt" else "rtf"
    try:  # the options checked here, before any worker sees them
        import vellumine
        vellumine.convert(b"<p>", args.format, **args.options)
    except (TypeError, ValueError) as error:
        parser.error(str(error))
    return args


class Plan:
    """The pages to convert, found before the cluster is called on."""

    def __init__(self, args: argparse.Namespace):
        source = os.path.abspath(args.source)
        if not os.path.isdir(source):
            source = os.path.dirname(source)
        out = os.path.abspath(args.output)
        self.pages = listed_pages(source, args.files) if args.files else walk(source)
        self.manifest = args.manifest or os.path.join(out, "manifest.jsonl")
        os.makedirs(out, exist_ok=True)
        # Each page's mirrored folder made, and its output claimed in the walk's order: a
        # later page whose output an earlier one takes is refused, as the command refuses it.
        # Pages and outputs are paths relative to DIR and OUT.
        claims: dict[str, str] = {}
        self.work = []  # (page, output, (page's path, output folder, output's path))
        self.refused = []  # (page, output, the earlier page that takes the output)
        self.outputs: dict[str, set[str]] = {}  # folder -> names of the outputs
        for relative in self.pages:
            output_dir = os.path.join(out, os.path.dirname(relative))
            name = output_name(os.path.basename(relative), args.format)
            os.makedirs(output_dir, exist_ok=True)
            key = os.path.join(os.path.realpath(output_dir), name)
            output_relative = os.path.join(os.path.dirname(relative), name)
            if key in claims:
                self.refused.append((relative, output_relative, claims[key]))
                continue
            claims[key] = relative
            self.outputs.setdefault(output_dir, set()).add(name)
            task = (os.path.join(source, relative), output_dir, os.path.join(output_dir, name))
            self.work.append((relative, output_relative, task))


def run(args: argparse.Namespace, plan: Plan, client) -> int:
    """Converts the plan's pages on client's cluster; gives the exit status."""
    from distributed import as_completed

    counts = {"converted": 0, "skipped": 0, "failed": 0}
    with open(plan.manifest, "w", encoding="utf-8") as manifest:
        def record(relative, output_relative, result, error=None, message=None):
            counts[result] += 1
            line = {"page": relative, "output": output_relative, "result": result}
            if result == "failed":
                line.update(error=error, message=message)
                print(f"{relative}: {error}: {message}", file=sys.stderr)
            manifest.write(json.dumps(line) + "\n")

        for relative, output_relative, earlier in plan.refused:
            record(relative, output_relative, "failed", "OutputTaken",
                   f"will not overwrite just-created {output_relative} (from {earlier}) with {relative}")
        manifest.flush()

        batches = [plan.work[at:at + args.batch] for at in range(0, len(plan.work), args.batch)]
        futures = client.map(convert_batch, [[task for _, _, task in batch] for batch in batches],
                             format=args.format, options=args.options, update=not args.force,
                             retries=args.retries, pure=False)
        batch_of = dict(zip(futures, batches))
        del futures  # each batch's result let go of once recorded
        for future in as_completed(batch_of):
            batch = batch_of.pop(future)
            try:
                results = future.result()
            except Exception as error:  # failed after its retries, or its workers kept dying
                results = [("failed", type(error).__name__, str(error))] * len(batch)
            for (relative, output_relative, _), result in zip(batch, results):
                record(relative, output_relative, *result)
            manifest.flush()
    remove_parts(plan.outputs)

    if not args.quiet:
        seconds = time.monotonic() - args.started
        print(f"{len(plan.pages)} pages: {counts['converted']} converted, {counts['skipped']} skipped "
              f"(up to date), {counts['failed']} failed, in {seconds:.1f} seconds; manifest {plan.manifest}")
        if plan.pages and counts["skipped"] == len(plan.pages):
            print("Nothing to convert: every output is up to date.")
    return 0 if counts["failed"] == 0 else 1


def main(argv: list[str] | None = None, client=None) -> int:
    """The program: on client's cluster when given, else on --scheduler's or a local one."""
    started = time.monotonic()
    args = parse_arguments(argv)
    args.started = started
    try:
        plan = Plan(args)
    except ValueError as error:  # a listed page outside DIR
        print(f"{sys.argv[0]}: {error}", file=sys.stderr)
        return 2
    except OSError as error:
        print(f"{sys.argv[0]}: cannot read the pages: {error}", file=sys.stderr)
        return 1
    # The workers need vellumine alone: this module's functions go to them by value.
    if __name__ != "__main__" and __name__ in sys.modules:
        import cloudpickle
        cloudpickle.register_pickle_by_value(sys.modules[__name__])
    if client is not None:
        return run(args, plan, client)

    from distributed import Client, LocalCluster
    if args.scheduler:
        try:
            remote = Client(args.scheduler)
        except OSError as error:
            print(f"{sys.argv[0]}: no scheduler at {args.scheduler}: {error}", file=sys.stderr)
            return 1
        with remote:
            return run(args, plan, remote)
    workers = args.workers or os.cpu_count() or 1
    with LocalCluster(n_workers=workers, threads_per_worker=1, dashboard_address=None) as cluster, \
            Client(cluster) as local:
        return run(args, plan, local)


if __name__ == "__main__":
    sys.exit(main())
