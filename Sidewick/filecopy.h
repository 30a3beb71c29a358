// Copies the file `name` of `source_directory` to `target_directory` byte by
// byte. 0 once copied; 1 when either file cannot be opened or the copy
// cannot be written whole (a line saying which, and the path, goes to
// standard output) or an argument is null.
#pragma once

int copy_file(const char* target_directory, const char* source_directory, const char* name);
