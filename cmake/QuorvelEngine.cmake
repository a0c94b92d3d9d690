# qv_add_engine_library(<target> SOURCES <files...> LIBS <libraries...>)
#
# A program's engine: plain code without widgets. It links what LIBS names
# (the database, text, parm and common engine code, QtCore at most). Naming
# Qt Widgets, Gui or PrintSupport in LIBS stops the configuration, and so
# does reaching Widgets or PrintSupport through any library (the printer
# library paints with Gui inside itself, which an engine may link); at build
# time an engine source or header that includes a header of any of the three
# modules fails the build.
set(QV_ENGINE_FORBIDDEN_MODULES Widgets Gui PrintSupport)
set(QV_ENGINE_FORBIDDEN_BELOW Widgets PrintSupport)
set(QV_ENGINE_CHECK_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/CheckEngineIncludes.cmake)

# The include folders of the forbidden modules, for the include check.
function(qv_engine_module_dirs out)
  set(dirs "")
  foreach(m IN LISTS QV_ENGINE_FORBIDDEN_MODULES)
    if(TARGET Qt6::${m})
      get_target_property(inc Qt6::${m} INTERFACE_INCLUDE_DIRECTORIES)
      foreach(d IN LISTS inc)
        if(d MATCHES "Qt${m}$")
          list(APPEND dirs ${d})
        endif()
      endforeach()
    endif()
  endforeach()
  set(${out} ${dirs} PARENT_SCOPE)
endfunction()

function(qv_add_engine_library target)
  cmake_parse_arguments(E "" "" "SOURCES;LIBS" ${ARGN})
  foreach(l IN LISTS E_LIBS)
    foreach(m IN LISTS QV_ENGINE_FORBIDDEN_MODULES)
      if(l STREQUAL "Qt6::${m}" OR l STREQUAL "Qt::${m}")
        message(FATAL_ERROR "Engine library ${target} may not link ${l}.")
      endif()
    endforeach()
  endforeach()
  add_library(${target} STATIC ${E_SOURCES})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${target} PUBLIC ${E_LIBS})
  set_property(GLOBAL APPEND PROPERTY QV_ENGINE_TARGETS ${target})

  # The include check: every source and header of the engine, at build time.
  qv_engine_module_dirs(dirs)
  set(files "")
  foreach(s IN LISTS E_SOURCES)
    get_filename_component(abs ${s} ABSOLUTE)
    list(APPEND files ${abs})
  endforeach()
  set(stamp ${CMAKE_CURRENT_BINARY_DIR}/${target}.engine-check)
  string(REPLACE ";" "|" files_arg "${files}")
  string(REPLACE ";" "|" dirs_arg "${dirs}")
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} "-DFILES=${files_arg}" "-DMODULE_DIRS=${dirs_arg}" "-DSTAMP=${stamp}"
            -DTARGET=${target} -P ${QV_ENGINE_CHECK_SCRIPT}
    DEPENDS ${files} ${QV_ENGINE_CHECK_SCRIPT}
    COMMENT "Checking that ${target} includes no widget header"
    VERBATIM)
  add_custom_target(${target}_include_check DEPENDS ${stamp})
  add_dependencies(${target} ${target}_include_check)
endfunction()

# Walks the link libraries of a target; fails on a forbidden Qt module.
function(_qv_engine_walk engine lib chain)
  string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" lib "${lib}")
  if(lib MATCHES "^\\$<" OR NOT TARGET ${lib})
    return()
  endif()
  get_target_property(aliased ${lib} ALIASED_TARGET)
  if(aliased)
    set(lib ${aliased})
  endif()
  foreach(m IN LISTS QV_ENGINE_FORBIDDEN_BELOW)
    if(lib STREQUAL "Qt6::${m}" OR lib STREQUAL "Qt::${m}")
      message(FATAL_ERROR "Engine library ${engine} links ${lib} (through ${chain}); an engine must not link widgets.")
    endif()
  endforeach()
  get_property(seen GLOBAL PROPERTY _QV_WALKED_${engine})
  if(lib IN_LIST seen)
    return()
  endif()
  set_property(GLOBAL APPEND PROPERTY _QV_WALKED_${engine} ${lib})
  get_target_property(type ${lib} TYPE)
  set(deps "")
  get_target_property(ilibs ${lib} INTERFACE_LINK_LIBRARIES)
  if(ilibs)
    list(APPEND deps ${ilibs})
  endif()
  if(NOT type STREQUAL "INTERFACE_LIBRARY")
    get_target_property(libs ${lib} LINK_LIBRARIES)
    if(libs)
      list(APPEND deps ${libs})
    endif()
  endif()
  foreach(d IN LISTS deps)
    _qv_engine_walk(${engine} "${d}" "${chain} -> ${d}")
  endforeach()
endfunction()

function(qv_check_engine_links)
  get_property(engines GLOBAL PROPERTY QV_ENGINE_TARGETS)
  foreach(e IN LISTS engines)
    _qv_engine_walk(${e} ${e} ${e})
  endforeach()
endfunction()

# Tests of the include check itself, on sample files in cmake/tests.
function(qv_add_engine_check_tests)
  qv_engine_module_dirs(dirs)
  string(REPLACE ";" "|" dirs_arg "${dirs}")
  foreach(sample IN ITEMS class_include module_include clean_include)
    add_test(NAME build.EngineIncludeCheck.${sample}
      COMMAND ${CMAKE_COMMAND} "-DFILES=${PROJECT_SOURCE_DIR}/cmake/tests/${sample}.h" "-DMODULE_DIRS=${dirs_arg}"
              -DTARGET=sample -P ${QV_ENGINE_CHECK_SCRIPT})
  endforeach()
  set_tests_properties(build.EngineIncludeCheck.class_include build.EngineIncludeCheck.module_include
    PROPERTIES PASS_REGULAR_EXPRESSION "includes widget headers")
endfunction()
