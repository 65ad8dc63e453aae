// Runs a helper program (the video encoder) fed through a pipe on its standard input.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

namespace os {

// The full path of an executable found on PATH, or empty when there is none.
std::string findExecutable(const std::string& name);

class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess(); // closes the pipe and waits, if finish was not called

    // Starts argv[0] (searched on PATH) with a pipe as its standard input. The child gets a
    // process group of its own, so a Ctrl-C in the terminal reaches only this program, which
    // can then close the pipe and let the child finish its file.
    bool start(const std::vector<std::string>& argv, std::string& error);
    // Writes all of it; false once the child has stopped reading (it exited or failed).
    bool write(const void* data, size_t size);
    // Closes the pipe and waits for the child: its exit status, or -1 when it did not exit
    // normally (or never started).
    int finish();

private:
    pid_t pid = -1;
    int pipeFd = -1;
};

} // namespace os
