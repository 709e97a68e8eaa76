# The dependencies of the 32-bit Windows build (included by the top-level CMakeLists.txt when
# WIN32). Debian has no MinGW packages of libcurl and the 7-Zip plug-in, so cmake/win32-deps builds
# both from Debian's source packages, here at configure time: find_package needs libcurl's
# config files before the launcher's targets exist. Its stamps make later configures quick.
# GoogleTest is built from Debian's source copy, nlohmann JSON and cpp-httplib are header-only;
# none of the host's include folders goes onto the cross compiler's path, where /usr/include
# would shadow the MinGW headers.

# COM interfaces derive from the SDK's IUnknown, which has no virtual destructor by design (objects
# delete themselves in Release); the Linux build keeps the check for every other class.
add_compile_options(-Wno-non-virtual-dtor)

set(CVL_WIN32_DEPS_DIR "${CMAKE_BINARY_DIR}/deps" CACHE PATH "Build folder of cmake/win32-deps")
set(CVL_DEBIAN_SOURCES "/var/cache/corvela-src" CACHE PATH "Folder with the .dsc of 7zip and curl")
set(deps_prefix "${CVL_WIN32_DEPS_DIR}/prefix")

if(NOT EXISTS "${deps_prefix}/lib/libcurl.a" OR NOT EXISTS "${deps_prefix}/bin/7z.dll")
  message(STATUS "Building libcurl and 7z.dll for Windows in ${CVL_WIN32_DEPS_DIR} (logs there)")
  execute_process(
    COMMAND ${CMAKE_COMMAND} -S ${PROJECT_SOURCE_DIR}/cmake/win32-deps -B ${CVL_WIN32_DEPS_DIR}
      -G "Unix Makefiles"
      -DCVL_DEBIAN_SOURCES=${CVL_DEBIAN_SOURCES}
      -DCVL_DEPS_PREFIX=${deps_prefix}
      -DCVL_MINGW_TOOLCHAIN=${CMAKE_TOOLCHAIN_FILE}
      -DCVL_DEPS_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER}
    RESULT_VARIABLE rc)
  if(rc EQUAL 0)
    execute_process(COMMAND ${CMAKE_COMMAND} --build ${CVL_WIN32_DEPS_DIR} -j2 RESULT_VARIABLE rc)
  endif()
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "Building the Windows dependencies failed (${rc}); see ${CVL_WIN32_DEPS_DIR}")
  endif()
endif()

find_package(CURL 7.88 CONFIG REQUIRED PATHS ${deps_prefix} NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
set(CVL_SEVENZIP_PLUGIN "${deps_prefix}/bin/7z.dll" CACHE FILEPATH "The 7-Zip plug-in embedded as resource DLL 141")

# Header-only libraries through a folder of links, so that only they are visible.
set(host_headers "${CMAKE_BINARY_DIR}/host-headers")
file(MAKE_DIRECTORY ${host_headers})
foreach(entry nlohmann httplib.h)
  if(NOT EXISTS ${host_headers}/${entry} AND EXISTS /usr/include/${entry})
    file(CREATE_LINK /usr/include/${entry} ${host_headers}/${entry} SYMBOLIC)
  endif()
endforeach()
if(NOT EXISTS ${host_headers}/nlohmann/json.hpp)
  message(FATAL_ERROR "nlohmann JSON not found in /usr/include (nlohmann-json3-dev)")
endif()
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
# The links folder itself: "nlohmann/.." would resolve through the link to /usr/include.
target_include_directories(nlohmann_json::nlohmann_json INTERFACE ${host_headers})

# pkg-config searches only a folder of .pc files written here for the target, so the tests'
# pkg_check_modules find cpp-httplib with Winsock and never a host library.
set(pc_dir "${CMAKE_BINARY_DIR}/pkgconfig")
file(WRITE ${pc_dir}/cpp-httplib.pc
  "Name: cpp-httplib\nDescription: header-only HTTP library\nVersion: 0\n"
  "Cflags: -I${host_headers}\nLibs: -lws2_32 -lcrypt32\n")
set(ENV{PKG_CONFIG_LIBDIR} ${pc_dir})
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
find_package(PkgConfig REQUIRED)
# The installation's UUIDs come from UuidCreate on Windows; the target keeps the Linux name.
add_library(PkgConfig::UUID INTERFACE IMPORTED)
target_link_libraries(PkgConfig::UUID INTERFACE rpcrt4)

if(BUILD_TESTING)
  # Debian's GoogleTest sources, built by the cross compiler beside the launcher's targets.
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  include(GoogleTest)
  # ctest runs the test programs, and gtest_discover_tests lists their tests, through Wine in a
  # prefix of the build folder's own (made on first use), with Wine's debug chatter off.
  find_program(CVL_WINE wine REQUIRED)
  set(CVL_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix" CACHE PATH "Wine prefix for the test runs")
  set(CMAKE_CROSSCOMPILING_EMULATOR env WINEPREFIX=${CVL_WINEPREFIX} WINEDEBUG=-all ${CVL_WINE})
endif()
