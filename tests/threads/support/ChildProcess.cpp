#include "tests/threads/support/ChildProcess.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

void SetVariable(const std::string& name, const std::string& value) {
#ifdef _WIN32
  _putenv_s(name.c_str(), value.c_str());
#else
  setenv(name.c_str(), value.c_str(), 1);
#endif
}

void ClearVariable(const std::string& name) {
#ifdef _WIN32
  _putenv_s(name.c_str(), "");
#else
  unsetenv(name.c_str());
#endif
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

ChildResult RunThreadsChild(const std::string& scenario, const Environment& environment) {
  static std::atomic<int> counter{0};
  const std::string stem = "vol_child_" + std::to_string(counter++);
  const fs::path outPath = fs::temp_directory_path() / (stem + ".out");
  const fs::path errPath = fs::temp_directory_path() / (stem + ".err");
#ifdef _WIN32
  const std::string program = "vol_threads_child.exe";
#else
  const std::string program = "./vol_threads_child";
#endif
  const std::string command =
      program + " " + scenario + " >\"" + outPath.string() + "\" 2>\"" + errPath.string() + "\"";
  for (const auto& [name, value] : environment) SetVariable(name, value);
  const int status = std::system(command.c_str());
  for (const auto& [name, value] : environment) ClearVariable(name);

  ChildResult result;
#ifdef _WIN32
  result.exitCode = status;
#else
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
  result.out = ReadFile(outPath);
  result.err = ReadFile(errPath);
  std::error_code ignored;
  fs::remove(outPath, ignored);
  fs::remove(errPath, ignored);
  return result;
}
