// The crash reporter that a program installs first thing: on a fatal signal
// (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) it writes a crash file with the
// signal and a backtrace of the thread that crashed, then lets the signal
// end the process as it would have without the reporter (a core dump
// included, where the system makes one).
//
// The crash file is "crash-<pid>.txt" in `directory`, or in the working
// directory of the call when `directory` is null; its path is fixed by the
// call, so a later change of directory does not move it. The handler runs
// on a stack of its own (a stack overflow is reported too) and only uses
// async-signal-safe calls: open, write, backtrace_symbols_fd, close.
#pragma once

// Installs the reporter; installing again replaces the crash file's path.
// A handle that stands for the installed reporter, or null when the path is
// too long or a handler could not be set.
void* Install(const char* directory = nullptr);
