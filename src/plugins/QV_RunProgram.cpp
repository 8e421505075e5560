// POSIX process start and wait for helper programs.
#include "QV_RunProgram.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace {

// The spawn's file actions, destroyed on every path out.
class SpawnActions {
public:
    SpawnActions() { ok = posix_spawn_file_actions_init(&actions) == 0; }
    ~SpawnActions()
    {
        if (ok) posix_spawn_file_actions_destroy(&actions);
    }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    bool ok = false;
    posix_spawn_file_actions_t actions;
};

}  // namespace

bool QV_RunProgramAndWait(const std::string& program, const std::vector<std::string>& arguments,
                          const std::string& workingDirectory, std::string& message)
{
    SpawnActions spawn;
    if (!spawn.ok || (!workingDirectory.empty() &&
                      posix_spawn_file_actions_addchdir_np(&spawn.actions, workingDirectory.c_str()) != 0)) {
        message = "cannot prepare to start " + program;
        return false;
    }
    std::vector<std::string> args = arguments.empty() ? std::vector<std::string>{program} : arguments;
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int started = posix_spawn(&pid, program.c_str(), &spawn.actions, nullptr, argv.data(), environ);
    if (started != 0) {
        message = "cannot start " + program + ": " + std::strerror(started);
        return false;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            message = "lost " + program + ": " + std::strerror(errno);
            return false;
        }
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    if (WIFEXITED(status))
        message = program + " exited with status " + std::to_string(WEXITSTATUS(status));
    else
        message = program + " ended by signal " + std::to_string(WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    return false;
}
