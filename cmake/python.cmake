# The Python module, built where Debian's Python with its headers, numpy and
# pybind11 are found (python3-dev, python3-numpy, pybind11-dev). Debian's
# /usr/bin/python3 is looked for first: another python3 earlier on PATH
# (pyenv) lacks Debian's modules.
if(CMAKE_CROSSCOMPILING OR MODRASK_FUZZ)
  set(modrask_python_default OFF)
else()
  if(NOT DEFINED Python3_EXECUTABLE AND EXISTS /usr/bin/python3)
    set(Python3_EXECUTABLE /usr/bin/python3)
  endif()
  find_package(Python3 COMPONENTS Interpreter Development.Module NumPy QUIET)
  find_package(pybind11 CONFIG QUIET)
  if(Python3_FOUND AND Python3_NumPy_FOUND AND pybind11_FOUND)
    set(modrask_python_default ON)
  else()
    set(modrask_python_default OFF)
  endif()
endif()
option(MODRASK_PYTHON "Build the Python module (pybind11, numpy)" ${modrask_python_default})
if(NOT MODRASK_PYTHON)
  return()
endif()
if(NOT pybind11_FOUND)
  find_package(Python3 COMPONENTS Interpreter Development.Module NumPy REQUIRED)
  find_package(pybind11 CONFIG REQUIRED)
endif()
# The module is a shared object: the library layers it links are compiled
# position-independent.
set_target_properties(modrask_support modrask_records modrask_har modrask_sets modrask_harinfo
                      PROPERTIES POSITION_INDEPENDENT_CODE ON)
math(EXPR modrask_python_next_minor "${Python3_VERSION_MINOR} + 1")
# The package as it is installed, in the build tree: the tests run it there.
set(MODRASK_PYTHON_DIR ${PROJECT_BINARY_DIR}/python)
add_subdirectory(src/python)
