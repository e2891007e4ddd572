# Headers by path from src/ ("platform/db/db.h"). Other targets see a library's
# public headers only, through a tree of links in the build folder; headers
# named *internal.h or *_p.h are private to their library.
set(ORU_PUBLIC_INCLUDE ${CMAKE_BINARY_DIR}/include)

# oru_library(<name> [DEPS <targets>...])
# One static library per source folder; every .cpp/.h in the folder belongs to it.
# The library itself sees all of its own headers (its private view, also given to
# white-box tests through the ORU_PRIVATE_INCLUDE property).
function(oru_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  add_library(${name} STATIC ${sources})
  set_target_properties(${name} PROPERTIES LINKER_LANGUAGE CXX)

  file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR})
  set(public_dir ${ORU_PUBLIC_INCLUDE}/${rel})
  file(GLOB stale ${public_dir}/*.h)
  if(stale)
    file(REMOVE ${stale})
  endif()
  file(MAKE_DIRECTORY ${public_dir})
  file(GLOB headers CONFIGURE_DEPENDS RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  foreach(h ${headers})
    if(NOT h MATCHES "(internal|_p)\\.h$")
      file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR}/${h} ${public_dir}/${h} SYMBOLIC)
    endif()
  endforeach()

  set(private_root ${CMAKE_BINARY_DIR}/private/${name})
  get_filename_component(parent ${private_root}/${rel} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${private_root}/${rel} SYMBOLIC)

  target_include_directories(${name} PRIVATE ${private_root} PUBLIC ${ORU_PUBLIC_INCLUDE})
  set_target_properties(${name} PROPERTIES ORU_PRIVATE_INCLUDE ${private_root})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# oru_migrations(<target> <namespace> <files>...): the subsystem's schema
# steps (files of schema/, by name) compiled into <target> as
# <namespace>::registerMigrations(). Every file of schema/ belongs to one
# subsystem; src/CMakeLists.txt checks that none is left out.
function(oru_migrations target namespace)
  set(files "")
  foreach(name ${ARGN})
    list(APPEND files ${PROJECT_SOURCE_DIR}/schema/${name})
  endforeach()
  set_property(GLOBAL APPEND PROPERTY ORU_SCHEMA_FILES ${files})
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_migrations.cpp)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DOUT=${out} "-DFILES=${files}" -DNAMESPACE=${namespace}
            -P ${PROJECT_SOURCE_DIR}/cmake/EmbedSchema.cmake
    DEPENDS ${files} ${PROJECT_SOURCE_DIR}/cmake/EmbedSchema.cmake
    COMMENT "Embedding the schema steps of ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE ${out})
endfunction()

include(GoogleTest)

# _oru_cases(<target> <prefix> <list> <environment> <gtest_discover_tests arguments>...):
# the cases of <target>, listed when ctest reads the tests (not at every build,
# so a build runs no sanitizer binary), as entries <prefix>.<Suite>.<Case> with
# that environment. A skipped case counts as skipped (the module's own
# SKIP_REGULAR_EXPRESSION, which also takes the cases of a _pg entry without a
# server). The environment goes through a script of its own: properties given
# to gtest_discover_tests are split at every ';', so a list value would not
# arrive whole.
function(_oru_cases target prefix list environment)
  gtest_discover_tests(${target} TEST_PREFIX ${prefix}. TEST_LIST ${list} DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120 ${ARGN})
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${list}_environment.cmake)
  file(WRITE ${script}
    "if(${list})\n  set_tests_properties(\${${list}} PROPERTIES ENVIRONMENT [==[${environment}]==])\nendif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
endfunction()

# The cases of <target> on one engine, as entries <prefix>.<Suite>.<Case>; those
# matching <pg_cases> (when given) one at a time among themselves, those matching
# <serial_cases> (when given) with nothing else running.
function(_oru_engine target prefix environment timeout pg_cases serial_cases)
  set(apart "${pg_cases}")
  if(serial_cases)
    _oru_cases(${target} ${prefix} ${prefix}_serial_cases "${environment}" TEST_FILTER ${serial_cases}
      PROPERTIES TIMEOUT ${timeout} RUN_SERIAL TRUE)
    if(apart)
      string(APPEND apart ":${serial_cases}")
    else()
      set(apart "${serial_cases}")
    endif()
  endif()
  if(apart)
    _oru_cases(${target} ${prefix} ${prefix}_cases "${environment}" TEST_FILTER -${apart}
      PROPERTIES TIMEOUT ${timeout})
  else()
    _oru_cases(${target} ${prefix} ${prefix}_cases "${environment}" PROPERTIES TIMEOUT ${timeout})
  endif()
  if(pg_cases)
    set(filter "${pg_cases}")
    if(serial_cases)
      string(APPEND filter "-${serial_cases}")
    endif()
    _oru_cases(${target} ${prefix} ${prefix}_server_cases "${environment}" TEST_FILTER ${filter}
      PROPERTIES TIMEOUT ${timeout} RESOURCE_LOCK postgres)
  endif()
endfunction()

# oru_test(<name> [BOTH_ENGINES] [PG_CASES <filter>] [SERIAL_CASES <filter>] DEPS <targets>...): a GoogleTest
# executable from every .cpp of the folder, each of its cases an entry of CTest
# named <name>.<Suite>.<Case>, run headless. Plain tests list GTest::gtest_main in
# DEPS; tests that need a QApplication or a test server list oru_test_support (its
# main). BOTH_ENGINES adds the entries <name>_pg.<Suite>.<Case>: the same cases with
# their fixtures' servers on the PostgreSQL test server (ORU_TEST_ENGINE=postgres),
# skipped without one. Each such case has a database of its own, and the roles the
# server's databases share ("sa", sysadmin) are made one creation at a time by the
# server itself, so they run side by side. The cases of PG_CASES (a --gtest_filter
# pattern) make logins or look at the server's roles, on the plain entries too: they
# run one at a time. The cases of SERIAL_CASES (one that restarts the server) run
# with nothing beside them.
function(oru_test name)
  cmake_parse_arguments(ARG "BOTH_ENGINES" "PG_CASES;SERIAL_CASES" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest)
  # Every case starts the program anew: without position independence the
  # loader has no relocations to apply to it (over a million under the
  # sanitizers, a third of a start).
  target_link_options(${name} PRIVATE -no-pie)
  # Test headers by path from tests/ ("support/gui.h", "fees/fixture.h").
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  _oru_engine(${name} ${name} "QT_QPA_PLATFORM=offscreen;ORU_DATA_HOME=${CMAKE_BINARY_DIR}/test-data" 600
    "${ARG_PG_CASES}" "${ARG_SERIAL_CASES}")
  if(ARG_BOTH_ENGINES)
    _oru_engine(${name} ${name}_pg
      "QT_QPA_PLATFORM=offscreen;ORU_DATA_HOME=${CMAKE_BINARY_DIR}/test-data-pg;ORU_TEST_ENGINE=postgres" 900
      "${ARG_PG_CASES}" "${ARG_SERIAL_CASES}")
  endif()
endfunction()
