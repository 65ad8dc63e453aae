// Runs a helper program (the video encoder) fed through a pipe on its standard input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace os {

// The full path of an executable found on PATH (on Windows also beside the program itself, and
// with ".exe" added), or empty when there is none.
std::string findExecutable(const std::string& name);

// One line telling a user of this system how to get ffmpeg.
const char* howToInstallFfmpeg();

class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess(); // closes the pipe and waits, if finish was not called

    // Starts argv[0] (searched on PATH) with a pipe as its standard input. The child gets a
    // process group of its own, so a Ctrl-C in the terminal reaches only this program, which
    // can then close the pipe and let the child finish its file. Its standard output and error
    // are this program's.
    bool start(const std::vector<std::string>& argv, std::string& error);
    // Writes all of it; false once the child has stopped reading (it exited or failed).
    bool write(const void* data, size_t size);
    // Closes the pipe and waits for the child: its exit status, or -1 when it did not exit
    // normally (or never started).
    int finish();

private:
    // The child and the pipe's writing end: a process id and a file descriptor on POSIX,
    // a process handle and a file handle on Windows; -1 when there is none.
    intptr_t child = -1;
    intptr_t pipe = -1;
};

} // namespace os
