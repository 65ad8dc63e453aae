// The video encoder as a child process on Windows: CreateProcess with an anonymous pipe as its
// standard input. The child is started in a process group of its own, so the console's Ctrl-C
// reaches only this program, which then closes the pipe and lets the child finish its file.
#include "platform/child_process.h"
#include "platform/system.h"

#include <cstdlib>

#include <windows.h>

namespace os {
namespace {

bool isFile(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// One argument quoted the way the C runtime splits a command line back into argv: inside quotes
// a run of backslashes is literal unless it precedes a quote, where each counts double.
std::string quoted(const std::string& argument)
{
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos)
        return argument;
    std::string out = "\"";
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"')
            out.append(backslashes * 2 + 1, '\\');
        else
            out.append(backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    out += '"';
    return out;
}

} // namespace

std::string findExecutable(const std::string& name)
{
    const bool hasFolder = name.find_first_of("/\\:") != std::string::npos;
    const bool hasExtension = name.size() > 4 && name.compare(name.size() - 4, 4, ".exe") == 0;
    const std::string file = hasExtension ? name : name + ".exe";
    if (hasFolder)
        return isFile(file) ? file : std::string();
    // The program's own folder first, so an ffmpeg.exe put beside talvoren.exe is found.
    const char* path = std::getenv("PATH");
    const std::string folders = executableFolder() + ";" + (path ? path : "");
    size_t begin = 0;
    while (begin <= folders.size()) {
        size_t end = folders.find(';', begin);
        if (end == std::string::npos)
            end = folders.size();
        std::string folder = folders.substr(begin, end - begin);
        if (!folder.empty()) {
            if (folder.back() != '\\' && folder.back() != '/')
                folder += '\\';
            if (isFile(folder + file))
                return folder + file;
        }
        begin = end + 1;
    }
    return {};
}

const char* howToInstallFfmpeg()
{
    return "Download a build of ffmpeg.exe (see ffmpeg.org) and put it beside talvoren.exe or in a folder on PATH.";
}

ChildProcess::~ChildProcess() { finish(); }

bool ChildProcess::start(const std::vector<std::string>& argv, std::string& error)
{
    if (argv.empty()) {
        error = "no program to start";
        return false;
    }
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) {
        error = "cannot make a pipe";
        return false;
    }
    // Only the child's end is inherited.
    SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, 0);

    std::string commandLine;
    for (const std::string& argument : argv) {
        if (!commandLine.empty())
            commandLine += ' ';
        commandLine += quoted(argument);
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = readEnd;
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    const std::string program = findExecutable(argv[0]);
    const BOOL started = CreateProcessA(program.empty() ? nullptr : program.c_str(), commandLine.data(), nullptr,
                                        nullptr, TRUE, CREATE_NEW_PROCESS_GROUP | CREATE_NO_WINDOW, nullptr,
                                        nullptr, &startup, &process);
    CloseHandle(readEnd);
    if (!started) {
        CloseHandle(writeEnd);
        error = "cannot start " + argv[0] + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    CloseHandle(process.hThread);
    child = reinterpret_cast<intptr_t>(process.hProcess);
    pipe = reinterpret_cast<intptr_t>(writeEnd);
    return true;
}

bool ChildProcess::write(const void* data, size_t size)
{
    const char* bytes = static_cast<const char*>(data);
    while (size > 0 && pipe != -1) {
        DWORD written = 0;
        const DWORD chunk = size > 0x40000000 ? 0x40000000 : DWORD(size);
        if (!WriteFile(reinterpret_cast<HANDLE>(pipe), bytes, chunk, &written, nullptr) || written == 0)
            return false; // the child stopped reading
        bytes += written;
        size -= written;
    }
    return size == 0;
}

int ChildProcess::finish()
{
    if (pipe != -1) {
        CloseHandle(reinterpret_cast<HANDLE>(pipe));
        pipe = -1;
    }
    if (child == -1)
        return -1;
    HANDLE process = reinterpret_cast<HANDLE>(child);
    child = -1;
    DWORD status = 0;
    const bool exited = WaitForSingleObject(process, INFINITE) == WAIT_OBJECT_0 && GetExitCodeProcess(process, &status);
    CloseHandle(process);
    return exited ? int(status) : -1;
}

} // namespace os
