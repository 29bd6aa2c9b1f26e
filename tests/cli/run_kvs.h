// Runs the built kvs executable as a user would; scratch folders and inputs for it.
#pragma once

#include <sys/types.h>

#include <csignal>
#include <filesystem>
#include <functional>
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
    // handles it.
    std::string interruptWhenErrorShows;
    int interruptAfterMs = -1;
    std::string program = KVS_PROGRAM;  // the built kvs, or a copy of it
    uid_t user = 0;                     // run as this user and its like-numbered group, when not 0
};

// A signal other than the invocation's SIGINT: sent once `when`, asked every
// millisecond about the running kvs, says so. The signal kvs starts with
// ignored, as under nohup, if any.
struct SignalPlan {
    std::function<bool(pid_t)> when;
    int signalNumber = SIGINT;
    int ignoredAtStart = 0;
};

// Whether the process has a handler for the signal.
bool CatchesSignal(pid_t process, int signalNumber);

KvsRun RunKvs(const KvsInvocation& invocation, const SignalPlan& plan = {});
KvsRun RunKvs(std::vector<std::string> arguments, std::string standardInput = "");

// gzip data of text repeated times, made piece by piece (for inputs that
// inflate far).
std::string Gzipped(std::string_view text, int times = 1);

// Whether the build made kvs's window helper (kvs demo, kvs study): not in a
// build without the window.
bool WindowHelperBuilt();

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
