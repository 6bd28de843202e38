# The arrows between the folders, checked on every source file: each folder
# includes only its own headers and those of the folders below it, and only
# the store speaks SQL to table `book`. The libraries' links run the same
# way, but a header can be included without linking anything.
#
#   cmake -DROOT=<source folder> -P tests/layering.cmake

cmake_minimum_required(VERSION 3.25)

set(below_store "")
set(below_ui "")
set(below_dialogs "ui")
set(below_mainwindow "dialogs;ui;store")
set(below_app "mainwindow;dialogs;ui;store")
set(below_harness "mainwindow;dialogs;ui;store")
set(below_tools/formats "store")
set(below_tools/directory "tools/formats;store")
set(below_tools/http "tools/formats;store")
set(below_tools/carddav "tools/http;tools/directory;tools/formats;store")
set(below_tools/print "tools/directory;tools/formats;store")
set(below_tools/cli "tools/carddav;tools/http;tools/print;tools/directory;tools/formats;store")

set(faults "")
foreach(folder store ui dialogs mainwindow app harness tools/formats tools/directory tools/http tools/carddav tools/print tools/cli)
  set(allowed ${folder} ${below_${folder}})
  file(GLOB sources ${ROOT}/${folder}/*.cpp ${ROOT}/${folder}/*.h)
  foreach(source ${sources})
    file(STRINGS ${source} includes REGEX "^#include \"[a-z]+/")
    foreach(line ${includes})
      string(REGEX REPLACE "^#include \"(.*)/[^/]+\".*" "\\1" used "${line}")
      if(NOT used IN_LIST allowed)
        list(APPEND faults "${source}: ${line}")
      endif()
    endforeach()
    if(NOT folder STREQUAL "store")
      file(STRINGS ${source} statements REGEX "\"[^\"]*(select|insert into|update|delete from|create table)[^\"]*book")
      foreach(line ${statements})
        list(APPEND faults "${source}: SQL on book outside the store: ${line}")
      endforeach()
    endif()
  endforeach()
endforeach()

if(faults)
  list(JOIN faults "\n" text)
  message(FATAL_ERROR "against the arrows between the folders:\n${text}")
endif()
