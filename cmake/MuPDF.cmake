# SPDX-License-Identifier: GPL-3.0-or-later
# The static MuPDF of the Windows build, from the prefix that
# tools/build-mupdf.sh prints on its last line:
#   cmake -DQUILVANE_MUPDF_PREFIX=$(tools/build-mupdf.sh | tail -n 1) ...
#   include(cmake/MuPDF.cmake)
#   target_link_libraries(app PRIVATE MuPDF::MuPDF)
# The build itself never fetches it: the script downloads Debian's sources.
set(QUILVANE_MUPDF_PREFIX "" CACHE PATH "MuPDF prefix made by tools/build-mupdf.sh")

if(NOT EXISTS "${QUILVANE_MUPDF_PREFIX}/.complete")
  message(FATAL_ERROR "QUILVANE_MUPDF_PREFIX (\"${QUILVANE_MUPDF_PREFIX}\") is not a finished MuPDF prefix: "
    "run tools/build-mupdf.sh and pass the path it prints last.")
endif()

if(NOT TARGET MuPDF::MuPDF)
  add_library(MuPDF::MuPDF STATIC IMPORTED)
  # Static libraries link in call order: each before the ones it calls.
  set(_quilvane_mupdf_deps)
  foreach(lib openjp2 jbig2dec jpeg freetype z)
    list(APPEND _quilvane_mupdf_deps "${QUILVANE_MUPDF_PREFIX}/lib/lib${lib}.a")
  endforeach()
  set_target_properties(MuPDF::MuPDF PROPERTIES
    IMPORTED_LOCATION "${QUILVANE_MUPDF_PREFIX}/lib/libmupdf.a"
    INTERFACE_INCLUDE_DIRECTORIES "${QUILVANE_MUPDF_PREFIX}/include"
    INTERFACE_LINK_LIBRARIES "${_quilvane_mupdf_deps}")
  unset(_quilvane_mupdf_deps)
endif()
