from typing import IO, Literal, Protocol, overload
import os

Format = Literal["text", "rtf"]
Encoding = Literal["auto", "windows-1251", "koi8-r", "iso-8859-1", "iso-8859-5", "utf-8"]

class _Reader(Protocol):
    def read(self, n: int = ..., /) -> bytes: ...

class _Writer(Protocol):
    def write(self, data: bytes, /) -> object: ...

__version__: str

class VellumineError(Exception):
    result: int
    def __init__(self, message: str | None = ...) -> None: ...

class OutOfMemoryError(VellumineError, MemoryError): ...
class OutputError(VellumineError, OSError): ...
class CannotOpenOutputError(OutputError): ...
class CannotOpenInputError(VellumineError, OSError): ...
class EmptyInputError(VellumineError, ValueError): ...
class CannotWriteOutputError(OutputError): ...
class InvalidArgumentError(VellumineError, ValueError): ...

@overload
def convert(html: str | bytes | bytearray | memoryview, format: Format, *,
            as_bytes: Literal[False] = ..., tables: bool = ..., encoding: Encoding = ...,
            reading: Literal["default", "classic"] = ...,
            links: Literal["none", "inline", "list"] = ..., wrap: int = ...,
            font_name: str = ..., font_size: int = ..., images: Literal["embed", "alt"] = ...,
            image_root: str | os.PathLike[str] = ...) -> str: ...
@overload
def convert(html: str | bytes | bytearray | memoryview, format: Format, *,
            as_bytes: Literal[True], tables: bool = ..., encoding: Encoding = ...,
            reading: Literal["default", "classic"] = ...,
            links: Literal["none", "inline", "list"] = ..., wrap: int = ...,
            font_name: str = ..., font_size: int = ..., images: Literal["embed", "alt"] = ...,
            image_root: str | os.PathLike[str] = ...) -> bytes: ...
def convert_file(path: str | os.PathLike[str], output_dir: str | os.PathLike[str],
                 format: Format, *, tables: bool = ..., encoding: Encoding = ...,
                 reading: Literal["default", "classic"] = ...,
                 links: Literal["none", "inline", "list"] = ..., wrap: int = ...,
                 font_name: str = ..., font_size: int = ...,
                 images: Literal["embed", "alt"] = ...,
                 image_root: str | os.PathLike[str] = ...) -> str: ...
def convert_stream(reader: _Reader | IO[bytes], writer: _Writer | IO[bytes], format: Format, *,
                   chunk_size: int = ..., tables: bool = ..., encoding: Encoding = ...,
                   reading: Literal["default", "classic"] = ...,
                   links: Literal["none", "inline", "list"] = ..., wrap: int = ...,
                   font_name: str = ..., font_size: int = ...,
                   images: Literal["embed", "alt"] = ...,
                   image_root: str | os.PathLike[str] = ...) -> None: ...
def options() -> list[dict[str, object]]: ...
def version() -> str: ...
