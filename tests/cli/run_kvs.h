// Runs the built kvs executable as a user would; scratch folders and inputs for it.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

struct KvsRun {
    int exitCode = -1;  // 128 + the signal when it died of one
    std::string out;
    std::string err;
    long peakKilobytes = 0;  // the most memory the process held (its maximum resident set)
};

struct KvsInvocation {
    std::vector<std::string> arguments;
    std::string standardInput;          // written, then closed...
    bool keepInputOpen = false;         // ...unless kept open, as a terminal would
    std::string standardOutputPath;     // a file for standard output instead of a pipe
    bool errorToTerminal = false;       // standard error on a pseudo-terminal
    // Send SIGINT once standard error shows this text (or, when it is empty,
    // after interruptAfterMs milliseconds; -1 never), and not before kvs
    // has its handler for it.
    std::string interruptWhenErrorShows;
    int interruptAfterMs = -1;
};

KvsRun RunKvs(const KvsInvocation& invocation);
KvsRun RunKvs(std::vector<std::string> arguments, std::string standardInput = "");

// gzip data of text repeated times, made piece by piece (for inputs that
// inflate far).
std::string Gzipped(std::string_view text, int times = 1);

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
