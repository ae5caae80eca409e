# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows installer: the install rules' folder (the program, what lies
# beside it, the licences and a notice) packed by wixl into one .msi that
# installs for the current user. tools/build-msi.sh installs wixl.
#   quilvane_msi(<target> <exe target> <version> <output folder>)
set(QUILVANE_SOURCE_URL "https://github.com/quilvane/quilvane" CACHE STRING
    "where the program's complete source is offered, as the AGPL asks")

# Libraries in the exe come from Debian's source packages; the notice names
# them with their versions, which is where their source is.
set(QUILVANE_LIBRARY_SOURCES "")
foreach(prefix IN ITEMS "${QUILVANE_MUPDF_PREFIX}" "${QUILVANE_READERS_PREFIX}")
  if(prefix AND EXISTS "${prefix}/versions.txt")
    file(STRINGS "${prefix}/versions.txt" lines)
    foreach(line IN LISTS lines)
      string(REPLACE "=" ";" pair "${line}")
      list(GET pair 0 package)
      list(GET pair 1 version)
      string(APPEND QUILVANE_LIBRARY_SOURCES "  ${package} ${version}: https://snapshot.debian.org/package/${package}/${version}/\n")
    endforeach()
  endif()
endforeach()
set(notice ${CMAKE_BINARY_DIR}/msi/README.txt)
# Windows' own editors expect CRLF.
configure_file(${PROJECT_SOURCE_DIR}/res/windows/README.txt.in ${notice} @ONLY NEWLINE_STYLE CRLF)
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${CMAKE_BINARY_DIR}/msi/GPL-3.0.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(${PROJECT_SOURCE_DIR}/LICENSE-AGPL-3.0 ${CMAKE_BINARY_DIR}/msi/AGPL-3.0.txt @ONLY NEWLINE_STYLE CRLF)
install(FILES ${notice} ${CMAKE_BINARY_DIR}/msi/GPL-3.0.txt ${CMAKE_BINARY_DIR}/msi/AGPL-3.0.txt DESTINATION .)

function(quilvane_msi target exe version output)
  # The product code follows the version: a rebuilt package of the same
  # version is the same product, never a second uninstall entry.
  string(UUID product_code NAMESPACE A59FD5F2-7345-4F6D-84A9-9A66AA9FF5F5 NAME "Quilvane ${version}" TYPE SHA1 UPPER)
  # Windows Installer compares the first three numbers.
  string(REPLACE "." ";" parts "${version}.0.0")
  list(SUBLIST parts 0 3 parts)
  list(JOIN parts "." msi_version)
  add_custom_target(${target}
    COMMAND ${CMAKE_COMMAND} -D BUILD=${CMAKE_BINARY_DIR} -D WORK=${CMAKE_BINARY_DIR}/msi/${target}
            -D EXE=$<TARGET_FILE:${exe}> -D STRIP=${CMAKE_STRIP} -D VERSION=${msi_version} -D PRODUCT_CODE=${product_code}
            -D OUTPUT=${output}/quilvane-${version}-x64.msi -D WXS=${PROJECT_SOURCE_DIR}/res/windows/quilvane.wxs
            -D ICON=${PROJECT_SOURCE_DIR}/res/quilvane.ico -D SOURCE_URL=${QUILVANE_SOURCE_URL}
            -P ${PROJECT_SOURCE_DIR}/cmake/MsiPack.cmake
    DEPENDS ${exe} ${PROJECT_SOURCE_DIR}/res/windows/quilvane.wxs
    COMMENT "quilvane-${version}-x64.msi" VERBATIM)
  # Where the package goes, for the tests.
  set_property(GLOBAL PROPERTY QUILVANE_${target}_FILE ${output}/quilvane-${version}-x64.msi)
  file(WRITE ${CMAKE_BINARY_DIR}/msi/${target}.path "${output}/quilvane-${version}-x64.msi\n")
endfunction()
