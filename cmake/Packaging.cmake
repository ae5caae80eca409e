# SPDX-License-Identifier: GPL-3.0-or-later
# Desktop integration, manual pages, Debian documentation and the .deb (CPack).

# The Debian changelog is the one place that names the package version and maintainer.
file(STRINGS ${PROJECT_SOURCE_DIR}/res/debian/changelog changelog_top LIMIT_COUNT 1)
string(REGEX MATCH "^quilvane \\(([^)-]+)-([^)]+)\\)" _ "${changelog_top}")
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "res/debian/changelog is at version ${CMAKE_MATCH_1}, the project at ${PROJECT_VERSION}")
endif()
set(QUILVANE_DEB_RELEASE ${CMAKE_MATCH_2})
file(STRINGS ${PROJECT_SOURCE_DIR}/res/debian/changelog changelog_trailer REGEX "^ -- ")
list(GET changelog_trailer 0 changelog_trailer)
string(REGEX MATCH "^ -- (.+>)  " _ "${changelog_trailer}")
set(QUILVANE_MAINTAINER "${CMAKE_MATCH_1}")

# gzip -n: no name or time stamp in the header, so the package is reproducible.
set(docs ${PROJECT_BINARY_DIR}/docs)
set(gzipped)
foreach(pair "man/quilvane.1:man/quilvane.1.gz" "man/quilvane.ja.1:man/ja/quilvane.1.gz"
             "debian/changelog:changelog.Debian.gz")
  string(REPLACE ":" ";" pair "${pair}")
  list(GET pair 0 source)
  list(GET pair 1 output)
  get_filename_component(output_dir ${docs}/${output} DIRECTORY)
  add_custom_command(OUTPUT ${docs}/${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${output_dir}
    COMMAND sh -c "gzip -9n -c \"$0\" > \"$1\"" ${PROJECT_SOURCE_DIR}/res/${source} ${docs}/${output}
    DEPENDS ${PROJECT_SOURCE_DIR}/res/${source} VERBATIM)
  list(APPEND gzipped ${docs}/${output})
endforeach()
add_custom_target(quilvane_docs ALL DEPENDS ${gzipped})

install(FILES ${PROJECT_SOURCE_DIR}/res/io.github.quilvane.quilvane.metainfo.xml DESTINATION share/metainfo)
install(FILES ${docs}/man/quilvane.1.gz DESTINATION share/man/man1)
install(FILES ${docs}/man/ja/quilvane.1.gz DESTINATION share/man/ja/man1)
install(FILES ${PROJECT_SOURCE_DIR}/res/debian/copyright ${docs}/changelog.Debian.gz DESTINATION share/doc/quilvane)

# Stripped as Debian's tools strip: the compiler's notes go too.
install(CODE "if(CMAKE_INSTALL_DO_STRIP)
  execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment --remove-section=.note
                  \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/quilvane\" COMMAND_ERROR_IS_FATAL ANY)
endif()")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quilvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${QUILVANE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "rename files while viewing a PDF or listening to an MP3")
# The extended description; CPack puts the summary above it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Quilvane names a folder of files one after the other. An opened PDF is
shown beside its name; an opened MP3 plays. Type the new name and pick the
next file from the list: the current file is renamed, never over an
existing file, and the next one opens.
.
The interface is in Japanese.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${QUILVANE_DEB_RELEASE})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QUILVANE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, so dpkg-shlibdeps cannot see them: MP3 playback through
# GStreamer, the IPA fonts the layouts name, Qt's Japanese texts, the SVG icon,
# and the language data that OCR reads scans with.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, fonts-ipafont-gothic, qt6-translations-l10n, libqt6svg6, tesseract-ocr-jpn, tesseract-ocr-eng, tesseract-ocr-osd")
include(CPack)
