# Fails unless LIBRARY defines exactly the functions in EXPECTED (a
# comma-separated list) as its dynamic symbols, the linker's own markers
# aside.
execute_process(COMMAND nm -D --defined-only ${LIBRARY} OUTPUT_VARIABLE listing
                RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REGEX MATCHALL "[0-9a-fA-F]+ [A-Za-z] [^\n]+" lines "${listing}")
set(names)
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^[0-9a-fA-F]+ [A-Za-z] " "" name "${line}")
  if(NOT name MATCHES "^(_init|_fini|_edata|_end|__bss_start|[A-Za-z_0-9]+@@?[A-Z_0-9.]+)$")
    list(APPEND names ${name})
  endif()
endforeach()
list(SORT names)
string(REPLACE "," ";" want "${EXPECTED}")
list(SORT want)
if(NOT names STREQUAL want)
  message(FATAL_ERROR "exports: '${names}', expected '${want}'")
endif()
