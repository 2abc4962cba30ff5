file(READ ${INPUT} hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
file(WRITE ${OUTPUT}
  "#include <string_view>\n"
  "namespace Quorvel::Embedded {\n"
  "static const char data_${IDENT}[] = {${bytes} 0};\n"
  "extern const std::string_view kEmbedded_${IDENT}(data_${IDENT}, sizeof(data_${IDENT}) - 1);\n"
  "}\n")
