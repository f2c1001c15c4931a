# quorbel_warnings(target): the project's warning set, errors with QUORBEL_WERROR.
function(quorbel_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                           -Wcast-align -Wunused -Woverloaded-virtual -Wformat=2)
  if(QUORBEL_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
