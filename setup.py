"""Builds the Python package modrask from the project's CMake tree.

setuptools copies the package's Python files; its build_ext configures the
tree with the Python that runs the build (programs and tests left out),
builds the extension _modrask and installs the CMake component "python"
into the folder the wheel is made from. The version is the CMake project's.
"""

import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = Path(__file__).resolve().parent


def project_version():
    text = (ROOT / "CMakeLists.txt").read_text(encoding="utf-8")
    return re.search(r"project\(modrask VERSION ([0-9.]+)", text).group(1)


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        site = Path(self.get_ext_fullpath(ext.name)).resolve().parent.parent
        tree = Path(self.build_temp).resolve() / "cmake"
        # -O2 as the tested presets build (RelWithDebInfo), without the
        # debugging information.
        configure = ["cmake", "-S", str(ROOT), "-B", str(tree), "-DCMAKE_BUILD_TYPE=Release",
                     "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG",
                     "-DMODRASK_TESTS=OFF", "-DMODRASK_PYTHON=ON",
                     f"-DPython3_EXECUTABLE={sys.executable}",
                     f"-DMODRASK_PYTHON_INSTALL_DIR={site}"]
        if shutil.which("ninja") and not (tree / "CMakeCache.txt").exists():
            configure += ["-G", "Ninja"]
        try:
            import pybind11  # the build requirement's CMake files
            configure.append(f"-Dpybind11_DIR={pybind11.get_cmake_dir()}")
        except ImportError:
            pass  # found by CMake where the system has it (Debian's pybind11-dev)
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL", str(os.cpu_count() or 1))
        subprocess.run(configure, check=True)
        subprocess.run(["cmake", "--build", str(tree), "--target", "_modrask", "--parallel", jobs],
                       check=True)
        subprocess.run(["cmake", "--install", str(tree), "--component", "python"], check=True)


setup(
    version=project_version(),
    packages=["modrask"],
    package_dir={"modrask": "src/python/modrask"},
    package_data={"modrask": ["py.typed", "*.pyi"]},
    include_package_data=False,
    ext_modules=[Extension("modrask._modrask", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    zip_safe=False,
)
