# The layering test: the programs above the grid-file API reach the format
# through src/gridfile/ only, never through the headers of the routines'
# layers. Run as
#   cmake -DSOURCE_DIR=<folder holding the layer folders> -P check_layers.cmake
# and fails, naming every offending line, when a file of a guarded folder
# includes a header of a barred folder.

cmake_minimum_required(VERSION 3.25)

# Folders whose code is on the grid-file API. The converter (driver/) is not
# among them: its conversion loop is the mandated transcript on the routines.
set(guarded_folders gridtools plot nc proj grib python)
# Folders of the routines' layers, barred to the guarded folders.
set(barred_folders dm grid pack time)
# Headers of a barred folder that a guarded folder may include all the same
# (a public header a layer exposes on purpose), by path from src/.
set(allowed_headers
  # The year window every program shares (--first-year, T2G_FIRST_YEAR).
  time/year_window.h)
# Files of a guarded folder that may include a barred header, each with its
# reason (none now).
set(allowed_files)

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "check_layers.cmake: SOURCE_DIR is not set")
endif()
get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)
list(JOIN barred_folders "|" barred)
set(faults)
set(scanned 0)
foreach(folder IN LISTS guarded_folders)
  file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/${folder}/*.h
       ${SOURCE_DIR}/${folder}/*.hpp ${SOURCE_DIR}/${folder}/*.cpp)
  foreach(file IN LISTS files)
    math(EXPR scanned "${scanned} + 1")
    if(file IN_LIST allowed_files)
      continue()
    endif()
    file(STRINGS ${SOURCE_DIR}/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<](${barred})/")
    foreach(line IN LISTS includes)
      string(REGEX MATCH "(${barred})/[^\">]+" header "${line}")
      if(NOT header IN_LIST allowed_headers)
        list(APPEND faults "${file}: ${header}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(scanned EQUAL 0)
  message(FATAL_ERROR "check_layers.cmake: no source file under ${SOURCE_DIR}")
endif()
if(faults)
  list(JOIN faults "\n  " listed)
  message(FATAL_ERROR "headers of the routines' layers included above the grid-file API "
                      "(use gridfile/gridfile.h):\n  ${listed}")
endif()
