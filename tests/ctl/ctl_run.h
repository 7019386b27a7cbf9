#pragma once
// One run of the ruvemoctl program of the build tree, as a shell would start
// it, for the tests of its commands.

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

struct CtlRun {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs `ruvemoctl arguments` with the session bus at `busAddress`; standard
// error goes through a file in `folder`. A hang ends after ten seconds
// (status 124, from timeout).
inline CtlRun RunCtl(const std::string& folder, const std::string& busAddress,
                     const std::string& arguments) {
  const std::string errFile = folder + "/stderr.txt";
  const std::string command = "DBUS_SESSION_BUS_ADDRESS='" + busAddress + "' timeout 10 " +
                              std::string(RUVEMO_BINARY_DIR) + "/bin/ruvemoctl " + arguments +
                              " 2>" + errFile;
  CtlRun run;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  std::array<char, 512> chunk{};
  size_t n;
  while ((n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0) run.out.append(chunk.data(), n);
  const int status = ::pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (FILE* err = std::fopen(errFile.c_str(), "r")) {
    while ((n = std::fread(chunk.data(), 1, chunk.size(), err)) > 0)
      run.err.append(chunk.data(), n);
    std::fclose(err);
  }
  return run;
}
