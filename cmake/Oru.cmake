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

# oru_test(<name> [BOTH_ENGINES] DEPS <targets>...): a GoogleTest executable from every
# .cpp of the folder, run through CTest headless. Plain tests list GTest::gtest_main in
# DEPS; tests that need a QApplication or a test server list oru_test_support (its main).
# BOTH_ENGINES adds the entry <name>_pg: the same program with its fixtures' servers on
# the PostgreSQL test server (ORU_TEST_ENGINE=postgres), skipped without one. Those
# entries run one at a time: the server's roles are shared by all its databases.
function(oru_test name)
  cmake_parse_arguments(ARG "BOTH_ENGINES" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest)
  # Test headers by path from tests/ ("support/gui.h", "fees/fixture.h").
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ORU_DATA_HOME=${CMAKE_BINARY_DIR}/test-data"
    TIMEOUT 600)
  if(ARG_BOTH_ENGINES)
    add_test(NAME ${name}_pg COMMAND ${name})
    set_tests_properties(${name}_pg PROPERTIES
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ORU_DATA_HOME=${CMAKE_BINARY_DIR}/test-data-pg;ORU_TEST_ENGINE=postgres"
      RESOURCE_LOCK postgres
      SKIP_REGULAR_EXPRESSION "no PostgreSQL server for this run"
      TIMEOUT 900)
  endif()
endfunction()
