// The command-line host's side of the operating system: its arguments, its
// two output streams, and files named by the user. On Windows every text
// here is UTF-8 (names arrive as UTF-16 and are carried so); on POSIX names
// are the system's bytes and text is in the locale's character set.
#ifndef ZMK_PLATFORM_COMMAND_LINE_H_
#define ZMK_PLATFORM_COMMAND_LINE_H_

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace zmk {

// What separates a path's parts where zmkinfo joins them: '/', or '\\' on
// Windows, where no file name can hold a backslash or a control character.
extern const char kPathSeparator;

// The arguments after the program's name. On Windows taken from the UTF-16
// command line, so that any file name arrives whole.
std::vector<std::string> ProgramArguments(int argc, char** argv);

enum class OutputStream { kOut, kErr };

// Writes `text` whole: on Windows to a console as characters, to a file or
// pipe as the UTF-8 bytes, line ends as they are ("\n"). 0, or the
// system's code for the failure. Standard error is never buffered.
unsigned long WriteOutput(OutputStream stream, std::string_view text);
// Pushes out what standard output holds buffered: 0 or the system's code.
unsigned long FlushOutput();
// The system's text for a code from the two above.
std::string OutputErrorText(unsigned long code);

// A file named by the user, opened for reading in binary, or nullptr.
std::FILE* OpenUserFile(const std::string& name);
// A name given by the user made absolute against the current folder.
std::string UserFullPath(const std::string& name);

// The name by which the module can be given the file `name`. The module
// takes names in the ANSI code page; a name that the code page cannot hold
// is passed as its short (8.3) name, as Total Commander passes names to
// plugins without Unicode entry points. False, with the reason, when there
// is none: the file is then not read at all, and never another one.
bool NameForModule(const std::string& name, std::string* module_name, std::string* reason);

// A text of the module's (its messages, the system's reasons it quotes) as
// the tool prints it.
std::string ModuleMessage(std::string_view text);

}  // namespace zmk

#endif  // ZMK_PLATFORM_COMMAND_LINE_H_
