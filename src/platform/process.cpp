#include "platform/process.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace zem::platform {

int HostProcessRunner::Run(const std::string& program, const std::vector<std::string>& args) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (WIFEXITED(status)) {
    int code = WEXITSTATUS(status);
    return code == 127 ? -1 : code;
  }
  return -1;
}

}  // namespace zem::platform
