"""Builds the Python module kvs for pip and wheels with the project's own CMake.

The compiled half, kvs._kvs, is the CMake target kvs_python of a build
configured for it alone: no window, no toolkit, no benchmarks, no MPI, and
libkvs linked statically into the extension, so that the wheel carries the
engine inside and needs no installed libkvs.so.1. Its version is the CMake
project's. Extra CMake arguments (a compiler launcher, say) come from the
environment variable CMAKE_ARGS, separated by spaces."""
import os
import re
import shlex
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = Path(__file__).resolve().parent


def project_version():
    """The version in CMakeLists.txt's project(), the one version of every part."""
    text = (ROOT / "CMakeLists.txt").read_text(encoding="utf-8")
    found = re.search(r"project\(\s*\w+\s+VERSION\s+([0-9.]+)", text)
    if found is None:
        raise RuntimeError("CMakeLists.txt names no project VERSION")
    return found.group(1)


class CMakeBuild(build_ext):
    """Builds each extension as the CMake target of its name."""

    def build_extension(self, ext):
        build = Path(self.build_temp).resolve() / "cmake"
        configure = [
            "cmake", "-S", str(ROOT), "-B", str(build), "-G", "Ninja",
            "-DCMAKE_BUILD_TYPE=Release", f"-DPython3_EXECUTABLE={sys.executable}",
            "-DKV_WINDOW=OFF", "-DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON", "-DKV_BENCHMARKS=OFF", "-DKV_MPI=OFF",
            "-DKV_PYTHON=ON", "-DKVS_SHARED=OFF",
        ] + shlex.split(os.environ.get("CMAKE_ARGS", ""))
        subprocess.run(configure, check=True)
        parallel = [f"-j{self.parallel}"] if self.parallel else []
        subprocess.run(["cmake", "--build", str(build), "--target", ext.target] + parallel, check=True)
        built = build / "python" / "kvs" / Path(self.get_ext_filename(ext.name)).name
        target = Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        self.copy_file(str(built), str(target))


class CMakeExtension(Extension):
    def __init__(self, name, target):
        super().__init__(name, sources=[])
        self.target = target


if __name__ == "__main__":  # as setuptools runs it; the tests import project_version alone
    setup(
        version=project_version(),
        packages=["kvs"],
        package_dir={"": "python"},
        package_data={"kvs": ["*.pyi", "py.typed"]},
        ext_modules=[CMakeExtension("kvs._kvs", target="kvs_python")],
        cmdclass={"build_ext": CMakeBuild},
        zip_safe=False,
    )
