#include "tool_runner.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace synt::test {

namespace fs = std::filesystem;

std::string ReadFile(const std::string& Path) {
  std::ifstream in(Path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void WriteFile(const std::string& Path, const std::string& Bytes) {
  std::ofstream(Path, std::ios::binary) << Bytes;
}

ToolResult RunTool(const std::vector<std::string>& Args, const std::string& Input) {
  return RunProgram(SYNT_TOOL_PATH, Args, Input);
}

ToolResult RunProgram(const std::string& Program, const std::vector<std::string>& Args,
                      const std::string& Input, const std::vector<std::string>& Env) {
  // Input and output go through files: no pipe can fill up and block either side.
  fs::path scratch = fs::temp_directory_path() / ("synt_tool_" + std::to_string(::getpid()));
  fs::create_directories(scratch);
  std::string in = (scratch / "stdin").string(), out = (scratch / "stdout").string(),
              err = (scratch / "stderr").string();
  WriteFile(in, Input);

  std::vector<std::string> argv_s = {Program};
  argv_s.insert(argv_s.end(), Args.begin(), Args.end());
  std::vector<char*> argv;
  for (auto& a : argv_s) argv.push_back(a.data());
  argv.push_back(nullptr);

  ToolResult r;
  pid_t pid = ::fork();
  if (pid == 0) {
    int fi = ::open(in.c_str(), O_RDONLY);
    int fo = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int fe = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fi < 0 || fo < 0 || fe < 0) ::_exit(127);
    ::dup2(fi, 0), ::dup2(fo, 1), ::dup2(fe, 2);
    ::setenv("LC_ALL", "C.UTF-8", 1);
    for (const std::string& e : Env) {
      const size_t eq = e.find('=');
      if (eq == std::string::npos)
        ::unsetenv(e.c_str());
      else
        ::setenv(e.substr(0, eq).c_str(), e.c_str() + eq + 1, 1);
    }
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  if (pid > 0) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  r.out = ReadFile(out);
  r.err = ReadFile(err);
  fs::remove_all(scratch);
  return r;
}

void ToolTest::SetUp() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  dir = (fs::path(::testing::TempDir()) / (std::string("synt_") + info->test_suite_name() + "_" +
                                           info->name() + "_" + std::to_string(::getpid())))
            .string();
  fs::remove_all(dir);
  fs::create_directories(dir);
}

void ToolTest::TearDown() {
  fs::remove_all(dir);
}

int ToolTest::Run(const std::vector<std::string>& Args, const std::string& Input) {
  ToolResult r = RunTool(Args, Input);
  out = std::move(r.out);
  err = std::move(r.err);
  return r.status;
}

}  // namespace synt::test
