#pragma once
// The line commands of the ruvemo-sim program, carried out on a simulator.

#include <string>

class CSimulator;

// The text `ruvemo-sim --help` prints: options and commands.
std::string SimUsageText();

class CSimConsole {
 public:
  explicit CSimConsole(CSimulator& sim) : sim_(sim) {}
  // Carries out one command line and returns what to print (ending in a
  // newline, or empty). Sets quit on "quit". Errors start with "error: ".
  std::string Execute(const std::string& line, bool& quit);

 private:
  CSimulator& sim_;
};
