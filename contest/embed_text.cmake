# Turns a text file into a C++ header holding it as a string (cmake -DIN=... -DOUT=... -DNAME=...
# -P embed_text.cmake): the page's style and script stay files of their own, and the program
# still writes a page that needs nothing beside it.
file(READ "${IN}" text)
if(text MATCHES "\\)embedded\"")
  message(FATAL_ERROR "${IN} holds the string's end mark")
endif()
set(header "// Made from ${IN} by embed_text.cmake: edit that file.\n#pragma once\n\n#include <string_view>\n\n")
string(APPEND header "inline constexpr std::string_view ${NAME} = R\"embedded(${text})embedded\";\n")
if(EXISTS "${OUT}")
  file(READ "${OUT}" old)
endif()
if(NOT old STREQUAL header)
  file(WRITE "${OUT}" "${header}")
endif()
