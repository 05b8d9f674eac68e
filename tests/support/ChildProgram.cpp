#include "tests/support/ChildProgram.h"

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

ChildProgram::ChildProgram(const std::string& program, const std::vector<std::string>& arguments) {
    // Everything the child needs is made before the fork: after it, only dup2, close, execv
    // and _exit.
    std::vector<std::string> words{program};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    int toChild[2], fromChild[2];
    if (pipe2(toChild, O_CLOEXEC) != 0 || pipe2(fromChild, O_CLOEXEC) != 0) std::abort();
    pid_ = fork();
    if (pid_ < 0) std::abort();
    if (pid_ == 0) {
        if (dup2(toChild[0], STDIN_FILENO) < 0 || dup2(fromChild[1], STDOUT_FILENO) < 0) _exit(126);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(toChild[0]);
    close(fromChild[1]);
    input_ = toChild[1];
    output_ = fromChild[0];
}

ChildProgram::~ChildProgram() { Finish(); }

std::string ChildProgram::ReadLine() {
    std::string line;
    char byte;
    for (;;) {
        const ssize_t got = read(output_, &byte, 1);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0 || byte == '\n') return line;
        line += byte;
    }
}

int ChildProgram::Finish() {
    if (pid_ <= 0) return status_;
    close(input_);
    close(output_);
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return status_;
}

std::string TestTool(const std::string& name) { return std::string(LICHTPULT_TEST_TOOLS) + "/" + name; }
