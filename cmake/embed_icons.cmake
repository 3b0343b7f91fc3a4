# Writes OUT, a C++ source that holds every PNG below ROOT (the icon theme folder of the package) as
# an IconFile named "icons/hicolor/<size>/<kind>/<name>.png". Run as `cmake -DROOT=… -DOUT=… -P`.
file(GLOB_RECURSE pngs RELATIVE ${ROOT} ${ROOT}/*.png)
list(SORT pngs)
set(arrays "")
set(records "")
set(n 0)
foreach(png IN LISTS pngs)
  file(READ ${ROOT}/${png} hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "((0x..,){24})" "\\1\n    " bytes "${bytes}")
  string(APPEND arrays "const unsigned char kIcon${n}[] = {\n    ${bytes}\n};\n")
  string(APPEND records "      {\"icons/hicolor/${png}\", Bytes(kIcon${n}, sizeof kIcon${n})},\n")
  math(EXPR n "${n} + 1")
endforeach()
file(WRITE ${OUT}.new
"// Made by cmake/embed_icons.cmake from packaging/icons/hicolor; not to be edited.
#include \"gui/wx/icon_files.h\"

namespace quarvel {

namespace {

${arrays}
[[maybe_unused]] std::string Bytes(const unsigned char* data, std::size_t n) { return std::string(reinterpret_cast<const char*>(data), n); }

}  // namespace

const std::vector<IconFile>& IconFiles() {
  static const std::vector<IconFile> files = {
${records}  };
  return files;
}

}  // namespace quarvel
")
# Only a changed text touches the source, so that a rebuild compiles it only when an icon changed.
execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different ${OUT}.new ${OUT})
file(REMOVE ${OUT}.new)
