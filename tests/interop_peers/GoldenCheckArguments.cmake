# Shared by the golden-data check scripts: fail early unless every named -D value was given,
# since the scripts delete and rewrite their work folder.
function(require_definitions)
  foreach(required IN LISTS ARGN)
    if(NOT ${required})
      message(FATAL_ERROR "-D${required}=... is required")
    endif()
  endforeach()
endfunction()
