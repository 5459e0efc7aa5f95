"""Builds the readdata14 Python package.

The package is pure Python around the project's own shared library, which it
loads with ctypes. So the build step here compiles that library with CMake
from the project's sources (Release, the shared library target alone, no
tests or tools) and puts it inside the package, next to ``_capi.py``.

The sources are the parent folder of this one. When pip builds from a copy
of this folder, say where the project is with READDATA14_SOURCE_DIR.
Further CMake arguments can be given in READDATA14_CMAKE_ARGS.
"""

from __future__ import annotations

import os
import re
import shlex
import shutil
import subprocess
import sys
from pathlib import Path

from setuptools import setup
from setuptools.command.build_py import build_py
from setuptools.dist import Distribution

HERE = Path(__file__).resolve().parent
PACKAGE = "readdata14"


def find_project_root() -> Path | None:
    """The project's top folder: READDATA14_SOURCE_DIR, else our parent."""
    named = os.environ.get("READDATA14_SOURCE_DIR")
    candidates = [Path(named)] if named else [HERE.parent]
    for candidate in candidates:
        header = candidate / "readdata14" / "include" / "readdata14" / "readdata14.h"
        if (candidate / "CMakeLists.txt").is_file() and header.is_file():
            return candidate.resolve()
    return None


def project_version(root: Path | None) -> str:
    if root is None:
        return "0.0.0"
    match = re.search(r"project\(readdata14\s+VERSION\s+([0-9.]+)", (root / "CMakeLists.txt").read_text())
    return match.group(1) if match else "0.0.0"


def library_names() -> tuple[str, ...]:
    """What CMake calls the shared library on this platform."""
    if sys.platform == "win32":
        return ("readdata14.dll",)
    if sys.platform == "darwin":
        return ("libreaddata14.dylib",)
    return ("libreaddata14.so",)


class BuildWithLibrary(build_py):
    """build_py, plus the library compiled by CMake and copied into the package."""

    def run(self) -> None:
        super().run()
        library = self.build_library()
        target_dir = HERE / PACKAGE if getattr(self, "editable_mode", False) else Path(self.build_lib) / PACKAGE
        target_dir.mkdir(parents=True, exist_ok=True)
        # copyfile follows the soname links: the package holds one real file.
        shutil.copyfile(library, target_dir / library_names()[0])

    def build_library(self) -> Path:
        root = find_project_root()
        if root is None:
            raise SystemExit(
                "readdata14: cannot find the project's sources (a folder with CMakeLists.txt and "
                f"readdata14/include/readdata14/readdata14.h) above {HERE}. pip may be building from "
                "a copy of the python folder: set READDATA14_SOURCE_DIR to the project's top folder."
            )
        if shutil.which("cmake") is None:
            raise SystemExit("readdata14: building the library needs CMake (Debian: apt-get install cmake g++)")
        build_temp = Path(self.get_finalized_command("build").build_temp).resolve()
        build_dir = build_temp / "readdata14-cmake"
        self.forget_other_sources(build_dir, root)

        configure = [
            "cmake", "-S", str(root), "-B", str(build_dir),
            "-DCMAKE_BUILD_TYPE=Release",
            "-DREADDATA14_BUILD_TESTS=OFF",
            "-DREADDATA14_BUILD_TOOLS=OFF",
            "-DREADDATA14_BUILD_BENCH=OFF",
            "-DREADDATA14_BUILD_FUZZ=OFF",
        ]
        if not (build_dir / "CMakeCache.txt").exists() and "CMAKE_GENERATOR" not in os.environ:
            if shutil.which("ninja"):
                configure += ["-G", "Ninja"]
        configure += shlex.split(os.environ.get("READDATA14_CMAKE_ARGS", ""))
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL") or str(os.cpu_count() or 1)
        build = ["cmake", "--build", str(build_dir), "--target", "readdata14", "--config", "Release",
                 "--parallel", jobs]
        for command in (configure, build):
            self.announce(" ".join(command), level=2)
            subprocess.run(command, check=True)

        for name in library_names():
            found = sorted(build_dir.rglob(name))
            if found:
                return found[0]
        raise SystemExit(f"readdata14: CMake built no {library_names()[0]} under {build_dir}")

    @staticmethod
    def forget_other_sources(build_dir: Path, root: Path) -> None:
        """A build folder left by a checkout elsewhere would make CMake refuse."""
        cache = build_dir / "CMakeCache.txt"
        if not cache.exists():
            return
        match = re.search(r"^CMAKE_HOME_DIRECTORY:INTERNAL=(.*)$", cache.read_text(errors="replace"), re.M)
        if match is None or Path(match.group(1)).resolve() != root:
            shutil.rmtree(build_dir)


class BinaryDistribution(Distribution):
    """The wheel carries a compiled library: tag it for this platform."""

    def has_ext_modules(self) -> bool:
        return True


setup(
    name=PACKAGE,
    version=project_version(find_project_root()),
    description="Type-14 weather charts as NumPy arrays, typed records and GeoDataFrames",
    long_description=__doc__,
    long_description_content_type="text/plain",
    packages=[PACKAGE],
    package_data={PACKAGE: ["py.typed"]},
    python_requires=">=3.9",
    install_requires=["numpy"],
    extras_require={"geo": ["geopandas", "shapely"], "dask": ["dask", "distributed"]},
    cmdclass={"build_py": BuildWithLibrary},
    distclass=BinaryDistribution,
    zip_safe=False,
)
