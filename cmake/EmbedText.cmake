# Turns a text file into a C++ source that holds its bytes, so the program
# carries its resources without looking for files at run time.
#   cmake -DINPUT=<file> -DOUTPUT=<file.cpp> -DNAMESPACE=<ns> -DSYMBOL=<name> -P EmbedText.cmake
# The source defines `std::string_view <ns>::<name>()`.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hexLength)
math(EXPR byteCount "${hexLength} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp"
  "// Made from ${INPUT} at build time; do not edit.\n"
  "#include <string_view>\n\n"
  "namespace ${NAMESPACE} {\n"
  "namespace {\n"
  "const unsigned char kBytes[] = {\n${bytes}0};\n"
  "}  // namespace\n\n"
  "std::string_view ${SYMBOL}() { return std::string_view(reinterpret_cast<const char*>(kBytes), ${byteCount}); }\n\n"
  "}  // namespace ${NAMESPACE}\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
