# Compiler settings shared by every Kestrel target.

set(KESTREL_WARNINGS
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
  -Wformat=2 -Wimplicit-fallthrough -Wcast-align -Wmissing-declarations)
if(KESTREL_WERROR)
  list(APPEND KESTREL_WARNINGS -Werror)
endif()

if(KESTREL_SANITIZE STREQUAL "address")
  set(KESTREL_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined
      -fno-omit-frame-pointer)
elseif(KESTREL_SANITIZE STREQUAL "thread")
  set(KESTREL_SANITIZER_FLAGS -fsanitize=thread -fno-omit-frame-pointer)
elseif(NOT KESTREL_SANITIZE STREQUAL "")
  message(FATAL_ERROR "KESTREL_SANITIZE must be empty, 'address' or 'thread'")
endif()
if(KESTREL_SANITIZER_FLAGS)
  add_compile_options(${KESTREL_SANITIZER_FLAGS})
  add_link_options(${KESTREL_SANITIZER_FLAGS})
endif()

# kestrel_target_defaults(target): warnings, hidden symbols, include roots.
function(kestrel_target_defaults target)
  target_compile_options(${target} PRIVATE
    $<$<COMPILE_LANGUAGE:CXX>:${KESTREL_WARNINGS}>
    $<$<COMPILE_LANGUAGE:C>:-Wall -Wextra -Wpedantic $<$<BOOL:${KESTREL_WERROR}>:-Werror>>)
  set_target_properties(${target} PROPERTIES
    C_VISIBILITY_PRESET hidden
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
endfunction()
