"""Vellumine: HTML pages into plain text or RTF documents, fast, with their structure kept.

    import vellumine
    text = vellumine.convert("<h1>Hello</h1><p>A <b>page</b>.</p>", "text")
    rtf = vellumine.convert(open("page.html", "rb").read(), "rtf", tables=True)
    path = vellumine.convert_file("page.html", "out", "text")
    with open("big.html", "rb") as page, open("big.txt", "wb") as out:
        vellumine.convert_stream(page, out, "text")

A str is text already: it is read as UTF-8 whatever its <meta charset> says. bytes are a
page as a file holds them: the character set is found as the command finds it (a byte order
mark, the head's charset=, else UTF-8 when the page is UTF-8, else Latin-1) unless
``encoding`` names it. Plain text is Unicode (the command's --text-encoding utf-8); RTF is a
str of one character for each byte of the document (``convert(..., as_bytes=True)`` gives
the bytes). Line ends are CR LF.

Options (the library's table; ``vellumine.options()`` describes them): tables (bool),
encoding ("auto", "utf-8", "iso-8859-1", "windows-1251", "koi8-r", "iso-8859-5"), reading
("default" or "classic"), links ("none", "inline", "list"), wrap (int), font_name (str),
font_size (int), images ("embed" or "alt"), image_root (str).

The interpreter's lock is let go of while a page converts, so threads convert in parallel;
Ctrl-C stops a long conversion with KeyboardInterrupt.
"""

from __future__ import annotations

import os
import secrets

from . import _vellumine

__all__ = [
    "convert", "convert_file", "convert_stream", "options", "version",
    "VellumineError", "OutOfMemoryError", "OutputError", "CannotOpenOutputError", "CannotOpenInputError",
    "EmptyInputError", "CannotWriteOutputError", "InvalidArgumentError",
]

__version__ = _vellumine.version()


class VellumineError(Exception):
    """A conversion failed; ``result`` is the library's result code."""

    result = 0

    def __init__(self, message: str | None = None):
        super().__init__(message or _vellumine.result_text(self.result))


class OutOfMemoryError(VellumineError, MemoryError):
    """The page is too large for the memory available."""
    result = 2


class OutputError(VellumineError, OSError):
    """The output cannot be created or written."""


class CannotOpenOutputError(OutputError):
    """The output cannot be created (or would be the input)."""
    result = 3


class CannotOpenInputError(VellumineError, OSError):
    """The input cannot be read."""
    result = 4


class EmptyInputError(VellumineError, ValueError):
    """The input has no bytes."""
    result = 5


class CannotWriteOutputError(OutputError):
    """The output could not be written whole."""
    result = 6


class InvalidArgumentError(VellumineError, ValueError):
    """An option out of range, or one that does not go with the others."""
    result = 7


_ERRORS = {error.result: error for error in (
    OutOfMemoryError, CannotOpenOutputError, CannotOpenInputError, EmptyInputError,
    CannotWriteOutputError, InvalidArgumentError)}

_TABLE = {row["name"]: row for row in _vellumine.options()}
_FORMATS = ("text", "rtf")


def options() -> list[dict]:
    """The options a conversion takes, as the library describes them: name, kind ("choice",
    "switch", "number", "text"), summary, default, minimum, maximum, choices."""
    described = []
    for row in _vellumine.options():
        if row["name"] in ("format", "text_utf8"):
            continue
        names = [name for _, name in row["choices"]]
        default = row["default"]
        if row["kind"] == "choice":
            default = dict(row["choices"])[default]
        elif row["kind"] == "switch":
            default = bool(default)
        elif row["kind"] == "text":
            default = row["default_text"]
        described.append(dict(row, default=default, choices=names))
    return described


def version() -> str:
    """The library's version."""
    return _vellumine.version()


def _option_values(format: str, given: dict, text: bool) -> dict:
    """The library's names and values written as text, for format and the keyword options."""
    if not isinstance(format, str):
        raise TypeError(f"format must be a str, not {type(format).__name__}")
    if format not in _FORMATS:
        raise ValueError(f'format must be "text" or "rtf", not {format!r}')
    values = {"format": format, "text_utf8": "utf-8"}
    for name, value in given.items():
        row = _TABLE.get(name)
        if name == "image_root":
            if not isinstance(value, (str, os.PathLike)):
                raise TypeError("image_root must be a path")
            values[name] = os.fsdecode(value)
            continue
        if row is None or name in ("format", "text_utf8"):
            raise TypeError(f"vellumine got an unexpected option {name!r}")
        kind = row["kind"]
        if kind == "choice":
            if not isinstance(value, str):
                raise TypeError(f"{name} must be a str, not {type(value).__name__}")
            choices = [choice for _, choice in row["choices"]]
            if value not in choices:
                raise ValueError(f"{name} must be one of {', '.join(map(repr, choices))}, not {value!r}")
            values[name] = value
        elif kind == "switch":
            if not isinstance(value, bool):
                raise TypeError(f"{name} must be True or False, not {value!r}")
            values[name] = "1" if value else "0"
        elif kind == "number":
            if not isinstance(value, int) or isinstance(value, bool):
                raise TypeError(f"{name} must be an int, not {type(value).__name__}")
            if not row["minimum"] <= value <= row["maximum"]:
                raise ValueError(f"{name} must be from {row['minimum']} to {row['maximum']}, not {value}")
            values[name] = str(value)
        else:
            if not isinstance(value, str):
                raise TypeError(f"{name} must be a str, not {type(value).__name__}")
            values[name] = value
    if text:
        if values.get("encoding", "auto") not in ("auto", "utf-8"):
            raise ValueError("a str is text already: encoding applies to bytes")
        values["encoding"] = "utf-8"
    return values


def _check(result: int) -> None:
    if result != 0:
        error = _ERRORS.get(result, VellumineError)
        raise error() if error is not VellumineError else VellumineError(_vellumine.result_text(result))


def convert(html: str | bytes, format: str, *, as_bytes: bool = False, **options) -> str | bytes:
    """Converts a page (str: text; bytes: a file's bytes) into format, "text" or "rtf".

    Returns the output as a str (plain text as Unicode; RTF one character for each byte), or
    as bytes with as_bytes=True. Raises EmptyInputError for an empty page, TypeError or
    ValueError for wrong options, and VellumineError's other kinds for the library's failures.
    """
    text = isinstance(html, str)
    if not text and not isinstance(html, (bytes, bytearray, memoryview)):
        raise TypeError(f"html must be str or bytes, not {type(html).__name__}")
    kept = 0 if as_bytes else 1 if format == "text" else 2  # bytes, UTF-8, a character a byte
    result, output = _vellumine.convert(html, _option_values(format, options, text), kept)
    _check(result)
    return output


def convert_file(path: str | os.PathLike, output_dir: str | os.PathLike, format: str,
                 **options) -> str:
    """Converts the file at path into output_dir, under its name with the extension of format
    (".txt" or ".rtf"), and returns the output's path. The output appears whole or not at all.

    A missing or unreadable input raises FileNotFoundError or PermissionError as open() does.
    An empty page raises EmptyInputError and, as the command does, leaves an empty output
    where there was none.
    """
    values = _option_values(format, options, False)
    path = os.fsdecode(path)
    output_dir = os.fsdecode(output_dir)
    with open(path, "rb"):
        pass  # the errors open() raises, as it raises them
    target = _vellumine.output_path(path, output_dir, values)
    if target is None:
        raise CannotOpenOutputError()
    if os.path.exists(target) and os.path.samefile(target, path):
        raise CannotOpenOutputError("the output would be the input")
    # Written under a name of its own beside the output (with the permissions a new file
    # takes), then renamed over it.
    temporary = os.path.join(os.path.dirname(target),
                             f".{os.path.basename(target)}.{secrets.token_hex(6)}.part")
    try:
        try:
            out = open(temporary, "xb")
        except OSError as error:
            raise CannotOpenOutputError(f"cannot open the output: {error}") from error
        with out:
            result, _ = _vellumine.convert_file_to(path, values, out.write)
        if result == EmptyInputError.result and not os.path.exists(target):
            os.replace(temporary, target)  # (nothing was written to it)
        _check(result)
        os.replace(temporary, target)
    except BaseException:
        if os.path.exists(temporary):
            os.unlink(temporary)
        raise
    return target


def convert_stream(reader, writer, format: str, *, chunk_size: int = 1 << 20, **options) -> None:
    """Converts the page read from reader (a binary file-like object: read(n) gives bytes)
    and writes the output to writer (write(bytes)) as it is made, in bounded memory.

    With encoding "auto", a page whose first 16 MiB settle nothing (no byte order mark, no
    charset= in the head, only ASCII) is read as those bytes choose.
    """
    converter = _vellumine.Converter(_option_values(format, options, False), writer.write)
    while True:
        piece = reader.read(chunk_size)
        if not piece:
            break
        if isinstance(piece, str):
            raise TypeError("reader must be binary: read() gave a str")
        _check(converter.push(piece))
    _check(converter.finish())
