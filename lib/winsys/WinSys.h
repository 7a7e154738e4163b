// What the Windows builds share: the wide names that the system's calls take, made from names in
// the command line's code page; command lines built from arguments; the system's error codes as
// errno values and as text. Built for Windows only.
#ifndef TRIMORPH_WINSYS_H
#define TRIMORPH_WINSYS_H

#include <string>
#include <vector>

namespace winsys {

// A name as the C runtime hands it to main, in the ANSI code page of the command line, as the
// wide name of the system's calls; and back.
std::wstring Wide(const std::string& text);
std::string Narrow(const std::wstring& text);

// An argument as the C runtime's parsing of a command line gives it back, and as the command
// prompt passes it on: as it is when it holds no white space, quotes or characters special to
// the prompt, else in double quotes.
std::string QuotedArgument(const std::string& arg);

// The command line that gives a program started with it exactly these arguments (args[0] is
// the program's name for itself), each one quoted where needed.
std::wstring CommandLine(const std::vector<std::string>& args);

// The errno value for a system error code (GetLastError), EIO for codes without one.
int ErrnoFromSystemError(unsigned long code);

// The system's own text for an error code, on one line.
std::string SystemErrorText(unsigned long code);

}  // namespace winsys

#endif  // TRIMORPH_WINSYS_H
