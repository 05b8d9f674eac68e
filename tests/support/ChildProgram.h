#pragma once
// A second process for a test: always a program of its own, started with fork and exec.
// The tests run threads (the simulated controller, Qt's), and a forked child of a threaded
// process may only make async-signal-safe calls until it execs: one that went on to run our
// serial layer or the allocator could wait for ever on a lock another thread held at the fork.
// This is the only place in the tests that forks.

#include <string>
#include <vector>

#include <sys/types.h>

class ChildProgram {
public:
    // Starts `program` with `arguments`, its standard input and output connected to this one.
    ChildProgram(const std::string& program, const std::vector<std::string>& arguments);
    ~ChildProgram();
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;

    pid_t Pid() const { return pid_; }

    // The next line the program writes, without its end; empty once it has closed its output.
    std::string ReadLine();

    // Closes its standard input and waits for it to end: its exit status, or 128 + the
    // signal that ended it. Returns the same status when called again.
    int Finish();

private:
    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    int status_ = -1;
};

// The path of a test tool built beside the tests.
std::string TestTool(const std::string& name);
