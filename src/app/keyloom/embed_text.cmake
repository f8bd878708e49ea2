# Writes a text file into a C++ header as one string constant, so that the
# program carries the very file the repository holds.
# Usage: cmake -DINPUT=file -DOUTPUT=header -DNAME=constant -P embed_text.cmake
file(READ "${INPUT}" text)
string(FIND "${text}" ")embedded\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "${INPUT} holds the string's closing delimiter")
endif()
file(WRITE "${OUTPUT}.tmp" "// Generated from ${INPUT}; do not edit.\n#pragma once\n\n"
     "inline constexpr char ${NAME}[] = R\"embedded(${text})embedded\";\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
