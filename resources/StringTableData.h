#pragma once
// The bytes of resources/strings.txt, compiled in (see EmbedFile.cmake). LoadStr parses them.

#include <cstddef>

extern const unsigned char kelt_string_table_data[];  // followed by a NUL
extern const std::size_t kelt_string_table_data_size;  // without that NUL
