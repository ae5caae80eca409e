# SPDX-License-Identifier: GPL-3.0-or-later
# Packs one .msi (cmake -P, from the targets of cmake/Msi.cmake): the install
# rules' folder with EXE as quilvane.exe, every file in it a component.
# Debian's wixl; tools/build-msi.sh installs it.
find_program(WIXL wixl REQUIRED)
find_program(WIXL_HEAT wixl-heat REQUIRED)
function(run)
  execute_process(COMMAND ${ARGN} ${redirect} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "failed: ${ARGN}")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK})
run(${CMAKE_COMMAND} --install ${BUILD} --prefix ${WORK}/files)
file(COPY_FILE ${EXE} ${WORK}/files/quilvane.exe)
run(${STRIP} ${WORK}/files/quilvane.exe)
# wixl takes paths relative to where it runs, not absolute ones.
file(COPY_FILE ${ICON} ${WORK}/quilvane.ico)

file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${WORK} ${WORK}/files/*)
list(SORT files)
list(JOIN files "\n" listing)
file(WRITE ${WORK}/files.txt "${listing}\n")
set(redirect INPUT_FILE ${WORK}/files.txt OUTPUT_FILE ${WORK}/payload.wxs)
run(${WIXL_HEAT} --prefix files/ --directory-ref INSTALLDIR --component-group Payload --var var.Payload --win64)
set(redirect WORKING_DIRECTORY ${WORK})
get_filename_component(output_dir ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${output_dir})
run(${WIXL} --arch x64 -D Win64=yes -D Payload=files -D Icon=quilvane.ico -D Version=${VERSION}
    -D ProductCode=${PRODUCT_CODE} -D SourceUrl=${SOURCE_URL} -o ${OUTPUT} ${WXS} ${WORK}/payload.wxs)
file(SIZE ${OUTPUT} size)
list(LENGTH files count)
message(STATUS "${OUTPUT}: ${size} bytes, ${count} files")
