# The hardening Debian gives its packages, for the optimised builds we ship: checked string and
# memory calls, a stack protector, and relocations resolved and made read-only at start.
if(NOT WIN32 AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
  add_compile_options(-fstack-protector-strong)
  add_link_options(LINKER:-z,relro LINKER:-z,now)
endif()
