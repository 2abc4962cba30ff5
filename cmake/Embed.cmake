# Turns every file below <root>/**/embedded/ into a C++ source that defines
#   extern const std::string_view kEmbedded_<sanitized file name>;
# so that data such as XSD schemas ships inside the library and needs no install path.
function(veltrane_embed_files target root)
  file(GLOB_RECURSE embedded_files CONFIGURE_DEPENDS ${root}/*/embedded/*)
  foreach(input IN LISTS embedded_files)
    get_filename_component(name ${input} NAME)
    string(MAKE_C_IDENTIFIER ${name} ident)
    set(output ${CMAKE_CURRENT_BINARY_DIR}/generated/embedded/${ident}.cpp)
    add_custom_command(
      OUTPUT ${output}
      COMMAND ${CMAKE_COMMAND} -DINPUT=${input} -DOUTPUT=${output} -DIDENT=${ident}
              -P ${PROJECT_SOURCE_DIR}/cmake/EmbedOne.cmake
      DEPENDS ${input} ${PROJECT_SOURCE_DIR}/cmake/EmbedOne.cmake
      VERBATIM)
    target_sources(${target} PRIVATE ${output})
  endforeach()
endfunction()
