# SPDX-License-Identifier: GPL-3.0-or-later
# Writes a C++ source file that holds the bytes of the icon PNGs and the
# lookup FindIcon. Run with -P; inputs:
#   OUTPUT      the .cpp to write
#   ICON_ID     the resource id of the icon
#   ICON_FILES  list of "size=path" pairs, smallest first
set(body "")
set(table "")
foreach(pair IN LISTS ICON_FILES)
  string(REPLACE "=" ";" parts "${pair}")
  list(GET parts 0 size)
  list(GET parts 1 path)
  file(READ "${path}" hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "((0x..,){24})" "\\1\n    " bytes "${bytes}")
  string(APPEND body "constexpr std::uint8_t kIcon${size}[] = {\n    ${bytes}\n};\n\n")
  string(APPEND table "    IconImage{${size}, kIcon${size}},\n")
endforeach()
if(table STREQUAL "")
  set(lookup "    (void)id;\n    return {};\n")
else()
  set(lookup "    static const IconImage images[] = {\n${table}    };\n    if (id == ${ICON_ID}) {\n        return images;\n    }\n    return {};\n")
endif()
file(WRITE "${OUTPUT}.tmp"
"// Generated from resources/icons/*.png by resources/cmake/EmbedIcons.cmake.\n\n"
"#include \"resources/Resources.h\"\n\n"
"namespace res {\nnamespace {\n\n${body}}  // namespace\n\n"
"std::span<const IconImage> FindIcon(unsigned id) {\n${lookup}}\n\n}  // namespace res\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
