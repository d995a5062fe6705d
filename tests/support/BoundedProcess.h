#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

// Runs a program for a test, without a shell: its standard output and standard error go to a
// file, its standard input is /dev/null, and it is killed (SIGKILL, by its process id) when it
// outlives the time allowed or when the test process dies first. The signal reaches the
// program only, not children it starts itself.
class BoundedProcess {
public:
    struct Result {
        int m__int__Exit = -1;          // exit code; -1 when killed by a signal or not started
        int m__int__Signal = 0;         // the signal that ended it, else 0
        bool m__bool__TimedOut = false; // ended by the deadline
        bool m__bool__Started = false;  // the program could be run at all
        double m__double__Seconds = 0;  // how long it ran
    };

    BoundedProcess(std::vector<std::string> p__Arguments, std::string p__string__OutputFile);
    ~BoundedProcess();
    BoundedProcess(const BoundedProcess&) = delete;
    BoundedProcess& operator=(const BoundedProcess&) = delete;

    // Starts it and waits until it ends or p__int__Seconds have passed.
    Result Run(int p__int__Seconds);
    // What it wrote.
    std::string Output() const;

private:
    bool Start();
    void Kill();

    std::vector<std::string> m__Arguments;
    std::string m__string__OutputFile;
    pid_t m__pid_t__Pid = -1;
};
