# What `cmake --install` puts under the prefix: the static libraries a program needs to link the
# flat functions of tarnwick.h and sonquill.h, the public headers, the programs with their man
# pages, a CMake package (find_package(Tarnwick): Tarnwick::tarnwick, Tarnwick::sonquill) and the
# pkg-config files tarnwick.pc and sonquill.pc. Included by the top-level CMakeLists.txt once
# every target exists.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# The archives of the toolkit in the order a static link needs them: each before the ones it
# uses. The drive kinds register themselves from a static object that nothing refers to, so
# a program links their archives whole.
set(TARNWICK_WHOLE_ARCHIVES tarnwick-emulator-kind tarnwick-machine-drives-kind aspi-iscsi-registration)
set(TARNWICK_LINKED_ARCHIVES tarnwick-emulator tarnwick-passthrough aspi-iscsi sonquill aspi tarnwick-core
                             tarnwick-platform)
# The interface targets that carry the whole-archive linking of the kinds.
set(TARNWICK_KIND_INTERFACES tarnwick-virtual-kind tarnwick-machine-drives tarnwick-iscsi-kind)
set(SONQUILL_LINKED_ARCHIVES tarnwick-platform)

# The programs, by target; the man page of each is doc/man/<output name>.1.
set(TARNWICK_PROGRAMS Pellmark Quorvane Lindhollow tarnwick-command tarnwick-vdisc tarnwick-mkiso tarnwick-sao
                      tarnwick-grab tarnwick-videocd tarnwick-vcdtemplate tarnwick-finddevice)

set(TARNWICK_INSTALL_HEADERDIR ${CMAKE_INSTALL_INCLUDEDIR}/tarnwick)
set(TARNWICK_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Tarnwick)

# The build tree's include directories are source paths: an installed target has none but the
# public headers' folder (tarnwick and sonquill), so each is kept for the build only.
set(l__Archives tarnwick ${TARNWICK_WHOLE_ARCHIVES} ${TARNWICK_LINKED_ARCHIVES})
foreach(l__Target ${l__Archives})
  get_target_property(l__Directories ${l__Target} INTERFACE_INCLUDE_DIRECTORIES)
  if(l__Directories)
    list(TRANSFORM l__Directories PREPEND "$<BUILD_INTERFACE:")
    list(TRANSFORM l__Directories APPEND ">")
    set_target_properties(${l__Target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "${l__Directories}")
  endif()
endforeach()
# The kinds' whole-archive links name their archive by its target, which the export does not
# qualify inside $<LINK_LIBRARY>: the installed package names the imported target itself.
foreach(l__Interface ${TARNWICK_KIND_INTERFACES})
  get_target_property(l__Links ${l__Interface} INTERFACE_LINK_LIBRARIES)
  string(REGEX REPLACE "^\\$<LINK_LIBRARY:WHOLE_ARCHIVE,([^>]+)>$" "\\1" l__Kind "${l__Links}")
  if(NOT TARGET "${l__Kind}" OR NOT l__Kind IN_LIST TARNWICK_WHOLE_ARCHIVES)
    message(FATAL_ERROR "${l__Interface} links '${l__Links}', not one archive of TARNWICK_WHOLE_ARCHIVES whole")
  endif()
  set_target_properties(${l__Interface} PROPERTIES INTERFACE_LINK_LIBRARIES
    "$<BUILD_INTERFACE:$<LINK_LIBRARY:WHOLE_ARCHIVE,${l__Kind}>>;$<INSTALL_INTERFACE:$<LINK_LIBRARY:WHOLE_ARCHIVE,Tarnwick::${l__Kind}>>")
endforeach()
# The archives are C++: a program of another language (C) links the C++ runtime by name. Every
# archive uses the platform layer, so it carries that dependency for all of them.
target_link_libraries(tarnwick-platform INTERFACE $<INSTALL_INTERFACE:stdc++> $<INSTALL_INTERFACE:m>)
target_include_directories(tarnwick INTERFACE $<INSTALL_INTERFACE:${TARNWICK_INSTALL_HEADERDIR}>)
target_include_directories(sonquill INTERFACE $<INSTALL_INTERFACE:${TARNWICK_INSTALL_HEADERDIR}>)

install(TARGETS ${l__Archives} ${TARNWICK_KIND_INTERFACES} EXPORT TarnwickTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(EXPORT TarnwickTargets NAMESPACE Tarnwick:: DESTINATION ${TARNWICK_INSTALL_CMAKEDIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/TarnwickConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/cmake/TarnwickConfig.cmake
                              INSTALL_DESTINATION ${TARNWICK_INSTALL_CMAKEDIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/cmake/TarnwickConfigVersion.cmake
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/cmake/TarnwickConfig.cmake ${PROJECT_BINARY_DIR}/cmake/TarnwickConfigVersion.cmake
        DESTINATION ${TARNWICK_INSTALL_CMAKEDIR})

file(GLOB l__Headers ${PROJECT_SOURCE_DIR}/include/*.h)
install(FILES ${l__Headers} DESTINATION ${TARNWICK_INSTALL_HEADERDIR})

# pkg-config files. Their prefix is found from where the file lies (${pcfiledir}), so that
# the tree works wherever it is installed or copied, with or without a sysroot.
function(tarnwick_pkgconfig_libs p__Out)
  set(l__Flags)
  foreach(l__Target ${ARGN})
    if(l__Target STREQUAL "WHOLE")
      list(APPEND l__Flags "-Wl,--whole-archive")
    elseif(l__Target STREQUAL "END_WHOLE")
      list(APPEND l__Flags "-Wl,--no-whole-archive")
    else()
      get_target_property(l__Name ${l__Target} OUTPUT_NAME)
      if(NOT l__Name)
        set(l__Name ${l__Target})
      endif()
      list(APPEND l__Flags "-l${l__Name}")
    endif()
  endforeach()
  list(JOIN l__Flags " " l__Flags)
  set(${p__Out} "${l__Flags}" PARENT_SCOPE)
endfunction()

if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
  set(TARNWICK_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
else()
  file(RELATIVE_PATH l__Up /p/${CMAKE_INSTALL_LIBDIR}/pkgconfig /p)
  string(REGEX REPLACE "/$" "" l__Up "${l__Up}")
  set(TARNWICK_PC_PREFIX "\${pcfiledir}/${l__Up}")
endif()
set(TARNWICK_PC_LIBDIR "${CMAKE_INSTALL_LIBDIR}")
set(TARNWICK_PC_INCLUDEDIR "${TARNWICK_INSTALL_HEADERDIR}")
if(NOT IS_ABSOLUTE "${TARNWICK_PC_LIBDIR}")
  set(TARNWICK_PC_LIBDIR "\${prefix}/${TARNWICK_PC_LIBDIR}")
endif()
if(NOT IS_ABSOLUTE "${TARNWICK_PC_INCLUDEDIR}")
  set(TARNWICK_PC_INCLUDEDIR "\${prefix}/${TARNWICK_PC_INCLUDEDIR}")
endif()
# The C++ runtime and the system libraries the archives use (the media runtime is loaded
# with dlopen when a sound file is opened).
set(TARNWICK_PC_SYSTEM_LIBS "-lstdc++ -lm -lpthread")
foreach(l__Library ${CMAKE_DL_LIBS})
  string(APPEND TARNWICK_PC_SYSTEM_LIBS " -l${l__Library}")
endforeach()
tarnwick_pkgconfig_libs(TARNWICK_PC_LIBS tarnwick WHOLE ${TARNWICK_WHOLE_ARCHIVES} END_WHOLE ${TARNWICK_LINKED_ARCHIVES})
tarnwick_pkgconfig_libs(SONQUILL_PC_LIBS sonquill ${SONQUILL_LINKED_ARCHIVES})
foreach(l__Module tarnwick sonquill)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/${l__Module}.pc.in ${PROJECT_BINARY_DIR}/pkgconfig/${l__Module}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/pkgconfig/${l__Module}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endforeach()

# The programs and their man pages; a program without a page stops the configuration.
set(TARNWICK_PROGRAM_NAMES)
foreach(l__Target ${TARNWICK_PROGRAMS})
  get_target_property(l__Name ${l__Target} OUTPUT_NAME)
  if(NOT l__Name)
    set(l__Name ${l__Target})
  endif()
  set(l__Page ${PROJECT_SOURCE_DIR}/doc/man/${l__Name}.1)
  if(NOT EXISTS ${l__Page})
    message(FATAL_ERROR "The program ${l__Name} has no man page ${l__Page}")
  endif()
  install(TARGETS ${l__Target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${l__Page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  list(APPEND TARNWICK_PROGRAM_NAMES ${l__Name})
endforeach()

# Everything the installation takes, for `make install` to build without the tests.
add_custom_target(tarnwick-installed DEPENDS ${l__Archives} ${TARNWICK_PROGRAMS} tarnwick-vcdtemplates)
