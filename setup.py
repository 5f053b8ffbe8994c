"""The Python module vellumine: the engine's sources compiled once more, with the module's
own C++ (python/vellumine/_vellumine.cpp), into one extension on CPython's stable interface.

    pip install --no-build-isolation .
"""
import glob
import os
import re

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

here = os.path.dirname(os.path.abspath(__file__))
os.makedirs(os.path.join(here, "build-python"), exist_ok=True)
with open(os.path.join(here, "CMakeLists.txt"), encoding="utf-8") as cmake:
    version = re.search(r"project\(Vellumine VERSION ([0-9.]+)", cmake.read()).group(1)


def sources(*patterns):
    return sorted(path for pattern in patterns
                  for path in glob.glob(os.path.join(here, pattern)))


class BuildExt(build_ext):
    """Compiles the engine's files two at a time."""

    def finalize_options(self):
        super().finalize_options()
        if self.parallel is None:
            self.parallel = os.cpu_count() or 1


module = Extension(
    "vellumine._vellumine",
    sources=[os.path.relpath(path, here) for path in sources(
        "python/vellumine/_vellumine.cpp", "engine/*/*.cpp", "platform/*.cpp")],
    include_dirs=["engine", "engine/include", "platform"],
    define_macros=[("VELLUMINE_VERSION", f'"{version}"'), ("Py_LIMITED_API", "0x030B0000")],
    extra_compile_args=["-std=c++20", "-O2", "-fvisibility=hidden"],
    language="c++",
    py_limited_api=True,
)

setup(
    name="vellumine",
    version=version,
    description="HTML pages into plain text or RTF documents, fast, with their structure kept",
    packages=["vellumine"],
    package_dir={"": "python"},
    package_data={"vellumine": ["py.typed", "__init__.pyi"]},
    ext_modules=[module],
    cmdclass={"build_ext": BuildExt},
    python_requires=">=3.11",
    # Out of CMake's build/ (the native build's folder).
    options={"bdist_wheel": {"py_limited_api": "cp311"}, "build": {"build_base": "build-python"},
             "egg_info": {"egg_base": "build-python"}},
)
