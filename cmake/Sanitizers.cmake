# Applies QUORBEL_SANITIZE to every target of the build.
if(QUORBEL_SANITIZE)
  list(JOIN QUORBEL_SANITIZE "," _sanitizers)
  add_compile_options(-fsanitize=${_sanitizers} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${_sanitizers})
  message(STATUS "Sanitizers: ${_sanitizers}")
endif()
