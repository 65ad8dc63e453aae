#include "platform/child_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace os {

std::string findExecutable(const std::string& name)
{
    if (name.find('/') != std::string::npos)
        return ::access(name.c_str(), X_OK) == 0 ? name : std::string();
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    size_t begin = 0;
    while (begin <= folders.size()) {
        size_t end = folders.find(':', begin);
        if (end == std::string::npos)
            end = folders.size();
        std::string folder = folders.substr(begin, end - begin);
        if (folder.empty())
            folder = ".";
        const std::string candidate = folder + "/" + name;
        struct stat status {};
        if (::stat(candidate.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
            ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
        begin = end + 1;
    }
    return {};
}

const char* howToInstallFfmpeg() { return "Install it with:  sudo apt-get install ffmpeg"; }

ChildProcess::~ChildProcess() { finish(); }

bool ChildProcess::start(const std::vector<std::string>& argv, std::string& error)
{
    if (argv.empty()) {
        error = "no program to start";
        return false;
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return false;
    }
    // A child that dies must show up as a failed write, not kill this process.
    std::signal(SIGPIPE, SIG_IGN);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF);
    posix_spawnattr_setpgroup(&attributes, 0);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    posix_spawnattr_setsigdefault(&attributes, &defaults);

    std::vector<char*> arguments;
    for (const std::string& argument : argv)
        arguments.push_back(const_cast<char*>(argument.c_str()));
    arguments.push_back(nullptr);
    pid_t pid = -1;
    const int result = ::posix_spawnp(&pid, argv[0].c_str(), &actions, &attributes, arguments.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(fds[0]);
    if (result != 0) {
        ::close(fds[1]);
        error = "cannot start " + argv[0] + ": " + std::strerror(result);
        return false;
    }
    child = pid;
    pipe = fds[1];
    return true;
}

bool ChildProcess::write(const void* data, size_t size)
{
    const char* bytes = static_cast<const char*>(data);
    while (size > 0 && pipe >= 0) {
        const ssize_t written = ::write(int(pipe), bytes, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes += written;
        size -= size_t(written);
    }
    return size == 0;
}

int ChildProcess::finish()
{
    if (pipe >= 0) {
        ::close(int(pipe));
        pipe = -1;
    }
    if (child < 0)
        return -1;
    int status = 0;
    pid_t waited;
    do
        waited = ::waitpid(pid_t(child), &status, 0);
    while (waited < 0 && errno == EINTR);
    child = -1;
    if (waited < 0 || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

} // namespace os
