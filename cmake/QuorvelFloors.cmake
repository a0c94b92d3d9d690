# qv_check_floors()
#
# The floors of the tree (cmake/CheckFloors.cmake): platform/ lowest, then
# common/, then the programs, then bench/, fuzz/ and tests/; a file includes headers
# of its own floor or lower ones only. Called once all targets are made: every
# target that compiles sources of the tree gets a build-time check of them and
# of every header of the tree they reach through its include path, and does
# not build when one of them includes a header of a higher floor.
set(QV_FLOOR_CHECK_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/CheckFloors.cmake)

function(_qv_floor_targets dir out)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(d IN LISTS subdirs)
    _qv_floor_targets(${d} more)
    list(APPEND targets ${more})
  endforeach()
  set(${out} ${targets} PARENT_SCOPE)
endfunction()

function(qv_check_floors)
  _qv_floor_targets(${PROJECT_SOURCE_DIR} targets)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/floors)
  foreach(t IN LISTS targets)
    get_target_property(type ${t} TYPE)
    if(NOT type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY)$")
      continue()
    endif()
    get_target_property(sources ${t} SOURCES)
    get_target_property(sdir ${t} SOURCE_DIR)
    set(files "")
    foreach(s IN LISTS sources)
      if(s MATCHES "^\\$<" OR NOT s MATCHES "\\.(c|cc|cpp|cxx|h|hpp)$")
        continue()
      endif()
      cmake_path(ABSOLUTE_PATH s BASE_DIRECTORY ${sdir} NORMALIZE OUTPUT_VARIABLE abs)
      cmake_path(IS_PREFIX PROJECT_SOURCE_DIR "${abs}" NORMALIZE in_tree)
      cmake_path(IS_PREFIX CMAKE_BINARY_DIR "${abs}" NORMALIZE in_build)
      if(in_tree AND NOT in_build)
        list(APPEND files ${abs})
      endif()
    endforeach()
    if(NOT files)
      continue()
    endif()
    set(stamp ${CMAKE_BINARY_DIR}/floors/${t}.floors)
    string(REPLACE ";" "|" files_arg "${files}")
    add_custom_command(OUTPUT ${stamp}
      COMMAND ${CMAKE_COMMAND} -DROOT=${PROJECT_SOURCE_DIR} -DEXCLUDE=${CMAKE_BINARY_DIR}
              "-DFILES=${files_arg}"
              "-DINCLUDE_DIRS=$<JOIN:$<TARGET_PROPERTY:${t},INCLUDE_DIRECTORIES>,|>"
              -DTARGET=${t} -DSTAMP=${stamp} -DDEPFILE=${stamp}.d -P ${QV_FLOOR_CHECK_SCRIPT}
      DEPENDS ${files} ${QV_FLOOR_CHECK_SCRIPT}
      DEPFILE ${stamp}.d
      COMMENT "Checking the floors of what ${t} includes"
      VERBATIM)
    add_custom_target(${t}_floor_check DEPENDS ${stamp})
    add_dependencies(${t} ${t}_floor_check)
  endforeach()
endfunction()

# Tests of the floor check itself, on a small tree of sample files in
# cmake/tests/floors: each refusal names the include that points up.
function(qv_add_floor_check_tests)
  set(tree ${PROJECT_SOURCE_DIR}/cmake/tests/floors)
  # name | file checked | extra include folder | what the refusal says ("" when it passes)
  set(cases
    "platform_includes_common|platform/up_common.h||platform/up_common.h \\(platform\\): #include \"common/base.h\" is common/base.h \\(common\\)"
    "common_includes_program|common/up_program.h||common/up_program.h \\(common\\): #include \"sortation/sort.h\" is sortation/sort.h \\(program sortation\\)"
    "program_includes_bench|sortation/up_bench.h||sortation/up_bench.h \\(program sortation\\): #include \"bench/helper.h\" is bench/helper.h \\(bench\\)"
    "relative_path|platform/up_relative.h||platform/up_relative.h \\(platform\\): #include \"../common/base.h\" is common/base.h \\(common\\)"
    "through_include_path|platform/up_short_name.h|common/text|platform/up_short_name.h \\(platform\\): #include <words.h> is common/text/words.h \\(common\\)"
    "through_a_header|platform/outer.cpp||platform/inner.h \\(platform\\): #include \"common/base.h\" is common/base.h \\(common\\)"
    "down_and_level|sortation/down.cpp||")
  foreach(c IN LISTS cases)
    string(REPLACE "|" ";" parts "${c}")
    list(GET parts 0 name)
    list(GET parts 1 file)
    list(GET parts 2 extra)
    list(GET parts 3 refusal)
    set(dirs "${tree}")
    if(extra)
      string(APPEND dirs "|${tree}/${extra}")
    endif()
    add_test(NAME build.FloorCheck.${name}
      COMMAND ${CMAKE_COMMAND} -DROOT=${tree} "-DFILES=${tree}/${file}" "-DINCLUDE_DIRS=${dirs}"
              -DTARGET=sample -P ${QV_FLOOR_CHECK_SCRIPT})
    if(refusal)
      set_tests_properties(build.FloorCheck.${name} PROPERTIES
        PASS_REGULAR_EXPRESSION "sample includes a header of a higher floor:.*${refusal}")
    endif()
  endforeach()
endfunction()
