# The installable library: libvellumine.so and libvellumine.a, the engine and the platform
# library behind the C interface of vellumine.h, for programs outside this tree (native
# Linux only; the Windows flavour ships programs, not a library, and the WebAssembly one the
# npm package). Included from engine/CMakeLists.txt once vellumine_engine and
# vellumine_platform exist.
#
# The in-tree programs keep linking the static vellumine_engine. The installable libraries
# compile the same sources once more, position-independent, with the same include paths,
# definitions and warnings as the targets they mirror. The shared library exports the
# vellumine_* functions of the header and nothing else (cmake/libvellumine.map), and carries
# the C++ runtime inside it, hidden, so that a C program needs only the C library beside it.

if(WIN32 OR EMSCRIPTEN)
  return()
endif()
include(GNUInstallDirs)

foreach(part engine platform)
  get_target_property(part_sources vellumine_${part} SOURCES)
  get_target_property(part_dir vellumine_${part} SOURCE_DIR)
  set(sources)
  foreach(source IN LISTS part_sources)
    cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${part_dir})
    list(APPEND sources ${source})
  endforeach()
  set(objects vellumine_library_${part})
  add_library(${objects} OBJECT ${sources})
  set_target_properties(${objects} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  target_include_directories(${objects} PRIVATE
    $<TARGET_PROPERTY:vellumine_${part},INCLUDE_DIRECTORIES>)
  target_compile_definitions(${objects} PRIVATE
    $<TARGET_PROPERTY:vellumine_${part},COMPILE_DEFINITIONS>)
  target_compile_options(${objects} PRIVATE
    $<TARGET_PROPERTY:vellumine_${part},COMPILE_OPTIONS>)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    # Nothing outside can replace a function of ours (the version script keeps every one
    # local), so calls inside the library may be inlined as in a program.
    target_compile_options(${objects} PRIVATE -fno-semantic-interposition)
  endif()
endforeach()
set(VELLUMINE_LIBRARY_OBJECTS
    $<TARGET_OBJECTS:vellumine_library_engine> $<TARGET_OBJECTS:vellumine_library_platform>)

set(VELLUMINE_LIBRARY_MAP ${PROJECT_SOURCE_DIR}/cmake/libvellumine.map)
add_library(vellumine_shared SHARED ${VELLUMINE_LIBRARY_OBJECTS})
set_target_properties(vellumine_shared PROPERTIES
  OUTPUT_NAME vellumine
  VERSION ${PROJECT_VERSION}
  SOVERSION ${PROJECT_VERSION_MAJOR}
  LINKER_LANGUAGE CXX
  LINK_DEPENDS ${VELLUMINE_LIBRARY_MAP})
target_include_directories(vellumine_shared INTERFACE ${CMAKE_CURRENT_SOURCE_DIR}/include)
target_link_options(vellumine_shared PRIVATE -Wl,--version-script=${VELLUMINE_LIBRARY_MAP})
if(NOT VELLUMINE_SANITIZE AND NOT VELLUMINE_THREAD_SANITIZE)
  # Every symbol resolved when the library is linked (the sanitizers' runtimes come with
  # the program instead).
  target_link_options(vellumine_shared PRIVATE -Wl,--no-undefined)
endif()
vellumine_static_runtime(vellumine_shared)

add_library(vellumine_static STATIC ${VELLUMINE_LIBRARY_OBJECTS})
set_target_properties(vellumine_static PROPERTIES OUTPUT_NAME vellumine LINKER_LANGUAGE CXX)
target_include_directories(vellumine_static INTERFACE ${CMAKE_CURRENT_SOURCE_DIR}/include)

# pkg-config's description of the installed library. It finds the prefix from where the
# file itself lies, so one file serves every prefix: `cmake --install --prefix`, and the
# Debian package, which installs under /usr whatever prefix the build was configured for.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
  set(VELLUMINE_PC_PREFIX ${CMAKE_INSTALL_PREFIX})
  cmake_path(ABSOLUTE_PATH CMAKE_INSTALL_LIBDIR BASE_DIRECTORY ${CMAKE_INSTALL_PREFIX}
             OUTPUT_VARIABLE VELLUMINE_PC_LIBDIR)
  cmake_path(ABSOLUTE_PATH CMAKE_INSTALL_INCLUDEDIR BASE_DIRECTORY ${CMAKE_INSTALL_PREFIX}
             OUTPUT_VARIABLE VELLUMINE_PC_INCLUDEDIR)
else()
  file(RELATIVE_PATH pc_to_prefix /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
  string(REGEX REPLACE "/$" "" pc_to_prefix "${pc_to_prefix}")
  set(VELLUMINE_PC_PREFIX "\${pcfiledir}/${pc_to_prefix}")
  set(VELLUMINE_PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
  set(VELLUMINE_PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
endif()
configure_file(${PROJECT_SOURCE_DIR}/cmake/vellumine.pc.in
               ${PROJECT_BINARY_DIR}/vellumine.pc @ONLY)

# The example installed with the documentation, built here too so that a change to the
# header that breaks it (as C99, with our warnings) fails the build.
add_executable(vellumine_example_convert_page ${PROJECT_SOURCE_DIR}/doc/examples/convert_page.c)
set_target_properties(vellumine_example_convert_page PROPERTIES
  C_STANDARD 99 C_STANDARD_REQUIRED ON C_EXTENSIONS OFF OUTPUT_NAME convert_page)
target_link_libraries(vellumine_example_convert_page PRIVATE vellumine_shared)
vellumine_warnings(vellumine_example_convert_page)
