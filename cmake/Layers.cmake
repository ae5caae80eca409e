# SPDX-License-Identifier: GPL-3.0-or-later
# The layers' direction, checked over the sources at configure time: a file
# may include its own layer and those below it, and only the front ends
# include a toolkit (Qt, the windowing parts of <windows.h>, MuPDF).
set(QUILVANE_LAYER_core 0)
set(QUILVANE_LAYER_platform 1)
set(QUILVANE_LAYER_player 2)
set(QUILVANE_LAYER_viewer 2)
set(QUILVANE_LAYER_names 2)
set(QUILVANE_LAYER_forms 3)
set(QUILVANE_LAYER_qt 4)
set(QUILVANE_LAYER_win32 4)

function(quilvane_check_layers root)
  file(GLOB_RECURSE sources RELATIVE ${root} ${root}/*.cpp ${root}/*.h)
  set(faults "")
  foreach(source ${sources})
    string(REGEX MATCH "^[^/]+" layer "${source}")
    if(NOT DEFINED QUILVANE_LAYER_${layer})
      continue()
    endif()
    set(rank ${QUILVANE_LAYER_${layer}})
    file(STRINGS ${root}/${source} includes REGEX "^#include [\"<]")
    foreach(line ${includes})
      if(line MATCHES "^#include \"([a-z0-9]+)/")
        set(used ${CMAKE_MATCH_1})
        # Layers of the same rank stay apart too: the player and the viewer
        # know nothing of each other, nor the two front ends.
        if(DEFINED QUILVANE_LAYER_${used} AND NOT used STREQUAL layer
           AND NOT QUILVANE_LAYER_${used} LESS rank)
          list(APPEND faults "${source}: ${line} (${layer} may not use ${used})")
        endif()
      elseif(rank LESS 4 AND line MATCHES "^#include <(Q[A-Za-z]+|mupdf/[^>]+|commctrl.h|commdlg.h|shellapi.h)>"
             # The names layer reads PDFs with MuPDF off screen; it draws nothing.
             AND NOT (layer STREQUAL "names" AND line MATCHES "^#include <mupdf/")
             # The Recycle Bin's file operations are declared there; the trash shows no window.
             AND NOT (source STREQUAL "platform/win32/Trash.cpp" AND line MATCHES "^#include <shellapi.h>"))
        list(APPEND faults "${source}: ${line} (a toolkit outside the front ends)")
      endif()
    endforeach()
  endforeach()
  if(faults)
    list(JOIN faults "\n  " text)
    message(FATAL_ERROR "Includes that climb a layer:\n  ${text}")
  endif()
endfunction()
