# `cpack -G DEB` in a Release build: the Debian package of everything the
# install rules install, under /usr. Depends comes from dpkg-shlibdeps (from
# dpkg-dev) for the linked libraries, plus what is only loaded at run time.
set(CPACK_PACKAGE_NAME vantorb)
set(CPACK_PACKAGE_VENDOR "The Vantorb developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${VANTORB_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "compiler of recursive functions into neural networks")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Vantorb turns programs of partial recursive functions into neural networks\n"
    "and runs them. A program builds functions from zero, successor and\n"
    "projection with composition, primitive recursion and minimization;\n"
    "Vantorb compiles the target function into a discrete-time network of\n"
    "saturated-linear neurons whose values are exact decimals, runs it step\n"
    "by step, automatically or to the end, and writes and reads the network as\n"
    "a file of dynamic equations.\n"
    "\n"
    "The package holds the workbench window (vantorb), the command-line\n"
    "tool (vantorb-cli) and the Python module vantorb, with example programs.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${VANTORB_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${VANTORB_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its SVG plugins only when the window's icon is drawn.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
# The Python module is made for Debian's interpreter of this version alone;
# shlibdeps cannot tell, as the module links no libpython.
if(TARGET vantorb_python)
  string(REPLACE "." ";" python_version_parts "${vantorb_python_version}")
  list(GET python_version_parts 0 python_major)
  list(GET python_version_parts 1 python_minor)
  math(EXPR next_python_minor "${python_minor} + 1")
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS
         ", python3 (>= ${vantorb_python_version}~)"
         ", python3 (<< ${python_major}.${next_python_minor})")
endif()
# What the package uses when it is there: dot draws network pictures for
# the tool and the module; NumPy, Matplotlib, pandas, Dask and tqdm serve
# the module's examples, its traces and sweeps as data frames, its sweeps
# over a cluster and their progress bars; bash-completion completes the
# tool's commands.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS
    "graphviz, python3-numpy, python3-matplotlib, python3-pandas, python3-distributed, python3-tqdm, bash-completion")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# The Debian changelog's entry for this version.
set(VANTORB_PACKAGE_VERSION ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})
string(SUBSTRING ${VANTORB_RELEASE_DATE} 0 4 VANTORB_COPYRIGHT_YEAR)
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C date -u -R -d ${VANTORB_RELEASE_DATE}
  OUTPUT_VARIABLE VANTORB_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE
  COMMAND_ERROR_IS_FATAL ANY)

include(CPack)
