# Installation: the public headers (the routine binding and the modern API),
# the static libraries as namespaced imported targets (text2grid::<layer>), a
# CMake package configuration and a pkg-config file. Everything installed is
# found relative to the installed files, so a prefix moved elsewhere works.
include(CMakePackageConfigHelpers)

# The libraries an embedding program links, bottom up; t2g_gridfile once its
# folder is part of the build.
set(T2G_INSTALLED_LAYERS base platform strings services pack dm time grid startup)
if(TARGET t2g_gridfile)
  list(APPEND T2G_INSTALLED_LAYERS gridfile)
endif()

# The headers outside code includes: the binding's, with the limits and codes
# callers need, and the modern API. The layers' internal headers stay behind.
set(T2G_PUBLIC_HEADERS
  strings/st.h
  services/ss.h services/fl.h services/er.h
  pack/dp.h pack/mv.h pack/missing.h pack/packing.h
  dm/dm.h dm/dm_blocks.h dm/dm_limits.h
  time/ti.h time/tg.h time/ti_codes.h time/year_window.h time/time_query.h
  grid/gr.h grid/gd.h grid/gd_blocks.h grid/gd_codes.h
  driver/in.h)
if(TARGET t2g_gridfile)
  list(APPEND T2G_PUBLIC_HEADERS base/status.h gridfile/gridfile.h gridfile/selection.h)
endif()

set(T2G_INSTALL_INCLUDEDIR "${CMAKE_INSTALL_INCLUDEDIR}/text2grid")
set(T2G_INSTALL_CMAKEDIR "${CMAKE_INSTALL_LIBDIR}/cmake/text2grid")
set(T2G_INSTALL_MESSAGEDIR "${CMAKE_INSTALL_DATADIR}/text2grid/errors")

set(T2G_INSTALLED_TARGETS)
foreach(layer IN LISTS T2G_INSTALLED_LAYERS)
  # Headers by path from src/ in the build tree; once installed, by path from
  # include/ under the one prefix text2grid/ ("text2grid/gridfile/gridfile.h"),
  # so that a consumer's include path gains no folder such as time/.
  set_property(TARGET t2g_${layer} PROPERTY INTERFACE_INCLUDE_DIRECTORIES
    "$<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/src>"
    "$<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>")
  set_property(TARGET t2g_${layer} PROPERTY EXPORT_NAME ${layer})
  list(APPEND T2G_INSTALLED_TARGETS t2g_${layer})
endforeach()

install(TARGETS ${T2G_INSTALLED_TARGETS} EXPORT text2grid-targets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
# The installed copies include each other under the prefix as well: each
# public header is copied into the build tree with its project includes
# rewritten ("dm/dm_limits.h" -> "text2grid/dm/dm_limits.h"), again whenever
# it changes.
foreach(header IN LISTS T2G_PUBLIC_HEADERS)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS src/${header})
  file(READ src/${header} text)
  string(REGEX REPLACE "#include \"([a-z_]+/[a-z_]+\\.h)\"" "#include \"text2grid/\\1\"" text
         "${text}")
  file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/installed-headers/${header} CONTENT "${text}"
       @ONLY)
  get_filename_component(folder ${header} DIRECTORY)
  install(FILES ${PROJECT_BINARY_DIR}/installed-headers/${header}
          DESTINATION ${T2G_INSTALL_INCLUDEDIR}/${folder})
endforeach()
install(EXPORT text2grid-targets NAMESPACE text2grid:: DESTINATION ${T2G_INSTALL_CMAKEDIR})

configure_package_config_file(cmake/text2grid-config.cmake.in
  ${PROJECT_BINARY_DIR}/text2grid-config.cmake
  INSTALL_DESTINATION ${T2G_INSTALL_CMAKEDIR}
  PATH_VARS T2G_INSTALL_MESSAGEDIR)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/text2grid-config-version.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/text2grid-config.cmake
              ${PROJECT_BINARY_DIR}/text2grid-config-version.cmake
        DESTINATION ${T2G_INSTALL_CMAKEDIR})

# pkg-config: the prefix is worked out from the .pc file's own folder.
set(T2G_PC_LIBS)
list(REVERSE T2G_INSTALLED_LAYERS)  # a layer before the layers it calls
foreach(layer IN LISTS T2G_INSTALLED_LAYERS)
  string(APPEND T2G_PC_LIBS " -lt2g_${layer}")
endforeach()
file(RELATIVE_PATH T2G_PC_TO_PREFIX "/root/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/root")
string(REGEX REPLACE "/$" "" T2G_PC_TO_PREFIX "${T2G_PC_TO_PREFIX}")
configure_file(cmake/text2grid.pc.in ${PROJECT_BINARY_DIR}/text2grid.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/text2grid.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
