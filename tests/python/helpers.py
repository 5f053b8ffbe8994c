# What the module's tests share: the repository's pages and the native command's output.
import os
import subprocess

ROOT = os.environ.get("VELLUMINE_ROOT", os.path.abspath(os.path.join(os.path.dirname(__file__), "../..")))
CLI = os.environ.get("VELLUMINE_CLI", os.path.join(ROOT, "build", "cli", "vellumine"))


def pages_in(folder, extensions):
    return [(name, open(os.path.join(folder, name), "rb").read())
            for name in sorted(os.listdir(folder)) if name.endswith(extensions)]


# The example pages and the default reading's cases.
PAGES = (pages_in(os.path.join(ROOT, "examples"), (".html", ".htm", ".asp")) +
         pages_in(os.path.join(ROOT, "tests", "engine", "data", "reading"), (".html",)))

# The ways of converting: the module's format and options, and the command's arguments.
WAYS = [(name, format, dict(options, reading=reading), args + (["--classic"] if reading == "classic" else []))
        for reading in ("default", "classic")
        for name, format, options, args in [
            ("text", "text", {}, ["-f", "txt", "--text-encoding", "utf-8"]),
            ("rtf", "rtf", {"tables": False}, ["-f", "rtf"]),
            ("rtf with tables", "rtf", {"tables": True}, ["-f", "rtf", "-t"])]]


# The command's output for a page on its standard input (pictures from data: alone).
def native(data, args):
    return subprocess.run([CLI, "--stdout", *args, "-"], input=data, capture_output=True,
                          check=True).stdout
