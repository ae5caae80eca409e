# SPDX-License-Identifier: GPL-3.0-or-later
# The static TagLib, Leptonica and Tesseract of the Windows build, from the
# prefix that tools/build-readers.sh prints on its last line:
#   cmake -DQUILVANE_READERS_PREFIX=$(tools/build-readers.sh | tail -n 1) ...
#   include(cmake/Readers.cmake)
#   target_link_libraries(app PRIVATE Readers::TagLib Readers::Tesseract)
#   quilvane_ship_tessdata(app)
# The build itself never fetches them: the script downloads Debian's sources.
set(QUILVANE_READERS_PREFIX "" CACHE PATH "TagLib, Leptonica and Tesseract prefix made by tools/build-readers.sh")
# Debian's tesseract-ocr-jpn, -eng and -osd put the language data here; osd
# tells a page's orientation.
set(QUILVANE_TESSDATA "/usr/share/tesseract-ocr/5/tessdata" CACHE PATH "folder with jpn, eng and osd .traineddata")

if(NOT EXISTS "${QUILVANE_READERS_PREFIX}/.complete")
  message(FATAL_ERROR "QUILVANE_READERS_PREFIX (\"${QUILVANE_READERS_PREFIX}\") is not a finished prefix: "
    "run tools/build-readers.sh and pass the path it prints last.")
endif()

if(NOT TARGET Readers::Tesseract)
  set(_quilvane_lib "${QUILVANE_READERS_PREFIX}/lib")
  add_library(Readers::TagLib STATIC IMPORTED)
  # Without TAGLIB_STATIC its headers ask for a DLL.
  set_target_properties(Readers::TagLib PROPERTIES
    IMPORTED_LOCATION "${_quilvane_lib}/libtag.a"
    INTERFACE_INCLUDE_DIRECTORIES "${QUILVANE_READERS_PREFIX}/include"
    INTERFACE_COMPILE_DEFINITIONS TAGLIB_STATIC)
  add_library(Readers::Leptonica STATIC IMPORTED)
  set_target_properties(Readers::Leptonica PROPERTIES
    IMPORTED_LOCATION "${_quilvane_lib}/libleptonica.a"
    INTERFACE_INCLUDE_DIRECTORIES "${QUILVANE_READERS_PREFIX}/include")
  add_library(Readers::Tesseract STATIC IMPORTED)
  set_target_properties(Readers::Tesseract PROPERTIES
    IMPORTED_LOCATION "${_quilvane_lib}/libtesseract.a"
    INTERFACE_INCLUDE_DIRECTORIES "${QUILVANE_READERS_PREFIX}/include"
    INTERFACE_LINK_LIBRARIES Readers::Leptonica)
  unset(_quilvane_lib)
endif()

set(_quilvane_tessdata_files)
foreach(_quilvane_lang jpn eng osd)
  if(NOT EXISTS "${QUILVANE_TESSDATA}/${_quilvane_lang}.traineddata")
    message(FATAL_ERROR "${QUILVANE_TESSDATA}/${_quilvane_lang}.traineddata is missing: "
      "install tesseract-ocr-${_quilvane_lang}, or set QUILVANE_TESSDATA.")
  endif()
  list(APPEND _quilvane_tessdata_files "${QUILVANE_TESSDATA}/${_quilvane_lang}.traineddata")
endforeach()
set(QUILVANE_TESSDATA_FILES ${_quilvane_tessdata_files})
unset(_quilvane_tessdata_files)
unset(_quilvane_lang)

# The language data in a tessdata folder beside `target`'s .exe, where the
# Windows program looks for it: in the build, and in the install rules'
# folder the installer ships (the program at its top).
function(quilvane_ship_tessdata target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory "$<TARGET_FILE_DIR:${target}>/tessdata"
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${QUILVANE_TESSDATA_FILES} "$<TARGET_FILE_DIR:${target}>/tessdata/")
  install(FILES ${QUILVANE_TESSDATA_FILES} DESTINATION tessdata)
endfunction()
