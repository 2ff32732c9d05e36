# Turns one file into a C++ source holding its bytes, so resources are compiled into the program.
# Usage: cmake -DINPUT=<file> -DOUTPUT=<file.cpp> -DSYMBOL=<name> -P EmbedFile.cmake
# The source defines `extern const unsigned char <SYMBOL>[]` (the bytes plus a final NUL) and
# `extern const std::size_t <SYMBOL>_size` (the byte count without that NUL).
foreach(arg INPUT OUTPUT SYMBOL)
    if(NOT DEFINED ${arg})
        message(FATAL_ERROR "EmbedFile.cmake: ${arg} is not set")
    endif()
endforeach()

# Read as hex so every byte (Windows-1252 text, ';', brackets) passes through CMake untouched.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR byte_count "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
# Sixteen bytes a line keeps the generated file readable (CMake's regex has no {n} counts).
string(REPEAT "0x..," 16 sixteen)
string(REGEX REPLACE "(${sixteen})" "\\1\n    " bytes "${bytes}")

set(content "// Generated from ${INPUT}; do not edit.
#include <cstddef>

extern const unsigned char ${SYMBOL}[];
extern const std::size_t ${SYMBOL}_size;

const unsigned char ${SYMBOL}[] = {
    ${bytes}0x00};
const std::size_t ${SYMBOL}_size = ${byte_count};
")

# Leave an unchanged output alone so dependants are not rebuilt needlessly.
if(EXISTS "${OUTPUT}")
    file(READ "${OUTPUT}" old)
    if(old STREQUAL content)
        return()
    endif()
endif()
file(WRITE "${OUTPUT}" "${content}")
