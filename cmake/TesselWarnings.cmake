# Warnings are errors-in-waiting: every target of ours builds clean with these.
add_compile_options(-Wall -Wextra -Wformat=2 -Wno-format-nonliteral)
# g++ 12 reports a false -Wrestrict inside libstdc++ for `"text" + std::string`
# at -O2 (fixed in g++ 13); it says nothing about our code.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  add_compile_options(-Wno-restrict)
endif()
