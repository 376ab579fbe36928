// The main of a small program with a command line: parsed by CLI11, then
// run. --help prints the help and exits 0; wrong usage (an unknown option,
// a missing or bad value) and a failure that throws exit 2 with a message
// naming what was wrong.
#ifndef ZMK_TOOLS_PROGRAM_MAIN_H_
#define ZMK_TOOLS_PROGRAM_MAIN_H_

#include <CLI/CLI.hpp>

#include <cstdio>
#include <exception>
#include <functional>

namespace zmk {

inline int ProgramMain(CLI::App& app, int argc, char** argv, const std::function<int()>& run) {
  const char* name = app.get_name().c_str();
  try {
    app.parse(argc, argv);
    return run();
  } catch (const CLI::CallForHelp&) {
    std::fputs(app.help().c_str(), stdout);
    return 0;
  } catch (const CLI::ParseError& e) {
    std::fprintf(stderr, "%s: %s (see --help)\n", name, e.what());
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", name, e.what());
    return 2;
  }
}

}  // namespace zmk

#endif  // ZMK_TOOLS_PROGRAM_MAIN_H_
