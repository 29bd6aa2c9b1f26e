// Runs the built kvs executable as a user would, and scratch folders for its files.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

struct KvsRun {
    int exitCode = -1;  // 128 + the signal when it died of one
    std::string out;
    std::string err;
};

struct KvsInvocation {
    std::vector<std::string> arguments;
    std::string standardInput;          // written, then closed...
    bool keepInputOpen = false;         // ...unless kept open, as a terminal would
    std::string standardOutputPath;     // a file for standard output instead of a pipe
    bool errorToTerminal = false;       // standard error on a pseudo-terminal
    // Send SIGINT once standard error shows this text (or, when it is empty,
    // after interruptAfterMs milliseconds; -1 never).
    std::string interruptWhenErrorShows;
    int interruptAfterMs = -1;
    std::string program = KVS_PROGRAM;  // the built kvs, or a copy of it
};

KvsRun RunKvs(const KvsInvocation& invocation);
KvsRun RunKvs(std::vector<std::string> arguments, std::string standardInput = "");

// A fresh folder, removed with everything in it at the end of the test.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    std::string Path(const std::string& name) const { return (folder_ / name).string(); }
    std::string Write(const std::string& name, const std::string& bytes) const;  // returns the path
    std::string Read(const std::string& name) const;
    std::vector<std::string> Names() const;  // every entry, sorted

private:
    std::filesystem::path folder_;
};
