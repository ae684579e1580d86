# CLI11 and nlohmann-json: Debian's header-only packages, for the command lines and the JSON
# report. A native build finds them by their CMake packages. A cross build's find_package
# looks only in the target's sysroot, and the host's /usr/include as a whole would put the
# host's C library before the target's: there each library's own folder is copied into the
# build tree and used from there.
if(CMAKE_CROSSCOMPILING)
  set(QOR_HOST_HEADERS ${CMAKE_BINARY_DIR}/host-headers)
  function(qor_host_header_library target folder header package)
    find_path(QOR_${folder}_HEADERS ${folder}/${header}
      PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
    if(NOT QOR_${folder}_HEADERS)
      message(FATAL_ERROR "${folder}/${header} not found: install ${package} "
        "(scripts/setup scripts/packages-windows)")
    endif()
    file(COPY ${QOR_${folder}_HEADERS}/${folder} DESTINATION ${QOR_HOST_HEADERS})
    add_library(${target} INTERFACE IMPORTED)
    set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${QOR_HOST_HEADERS})
  endfunction()
  qor_host_header_library(CLI11::CLI11 CLI CLI.hpp libcli11-dev)
  qor_host_header_library(nlohmann_json::nlohmann_json nlohmann json.hpp nlohmann-json3-dev)
else()
  find_package(CLI11 2.1 REQUIRED CONFIG)
  find_package(nlohmann_json 3.11 REQUIRED CONFIG)
endif()
