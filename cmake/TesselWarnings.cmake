# Warnings are errors-in-waiting: every target of ours builds clean with these.
add_compile_options(-Wall -Wextra -Wformat=2 -Wno-format-nonliteral)
