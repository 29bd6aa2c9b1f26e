#include "run_kvs.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>

namespace {
// A kvs that goes wrong on a large input must not take the shared machine
// down with it: past this much memory the run is killed (and so fails).
constexpr long kMemoryLimitKilobytes = 2L << 20;

long ResidentKilobytes(pid_t process)
{
    std::ifstream statm("/proc/" + std::to_string(process) + "/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Reads from every open descriptor until all are closed, feeding input and
// sending SIGINT when asked; the child's exit code.
int Converse(pid_t child, int input, int output, int error, const KvsInvocation& invocation, const SignalPlan& plan,
             KvsRun& run)
{
    const auto start = std::chrono::steady_clock::now();
    std::size_t written = 0;
    bool interrupted = false;
    if (invocation.standardInput.empty() && !invocation.keepInputOpen && input >= 0)
        close(std::exchange(input, -1));
    while (output >= 0 || error >= 0) {
        pollfd fds[3] = {{output, POLLIN, 0}, {error, POLLIN, 0}, {input, POLLOUT, 0}};
        poll(fds, input >= 0 && written < invocation.standardInput.size() ? 3 : 2, plan.when ? 1 : 20);
        char buffer[65536];
        for (int k = 0; k < 2; ++k) {
            if (fds[k].fd < 0 || !(fds[k].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const ssize_t got = read(fds[k].fd, buffer, sizeof buffer);
            if (got > 0)
                (k == 0 ? run.out : run.err).append(buffer, std::size_t(got));
            else
                close(std::exchange(k == 0 ? output : error, -1));
        }
        if (input >= 0 && written < invocation.standardInput.size() && (fds[2].revents & POLLOUT)) {
            const ssize_t put = write(input, invocation.standardInput.data() + written,
                                      invocation.standardInput.size() - written);
            written += put > 0 ? std::size_t(put) : invocation.standardInput.size();
            if (written >= invocation.standardInput.size() && !invocation.keepInputOpen)
                close(std::exchange(input, -1));
        }
        const auto elapsed = std::chrono::steady_clock::now() - start;
        const bool due = plan.when ? plan.when(child)
                         : invocation.interruptWhenErrorShows.empty()
                             ? invocation.interruptAfterMs >= 0 &&
                                   elapsed >= std::chrono::milliseconds(invocation.interruptAfterMs)
                             : run.err.find(invocation.interruptWhenErrorShows) != std::string::npos;
        // Never before kvs handles Ctrl-C: a slow start would otherwise end it silently.
        if (due && !interrupted && CatchesSignal(child, SIGINT)) {
            kill(child, plan.signalNumber);
            interrupted = true;
        }
        if (ResidentKilobytes(child) > kMemoryLimitKilobytes)
            kill(child, SIGKILL);
    }
    if (input >= 0)
        close(input);
    int status = 0;
    struct rusage usage = {};
    wait4(child, &status, 0, &usage);
    run.peakKilobytes = usage.ru_maxrss;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
} // namespace

bool CatchesSignal(pid_t process, int signalNumber)
{
    std::ifstream status("/proc/" + std::to_string(process) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("SigCgt:", 0) == 0)
            return (std::stoull(line.substr(7), nullptr, 16) >> (signalNumber - 1)) & 1;
    }
    return false;
}

KvsRun RunKvs(const KvsInvocation& invocation, const SignalPlan& plan)
{
    int in[2], out[2], err[2] = {-1, -1};
    if (pipe(in) != 0 || pipe(out) != 0)
        std::abort();
    int terminal = -1;
    if (invocation.errorToTerminal ? openpty(&err[0], &terminal, nullptr, nullptr, nullptr) != 0 : pipe(err) != 0)
        std::abort();
    if (invocation.errorToTerminal)
        err[1] = terminal;
    std::vector<std::string> arguments = invocation.arguments;
    arguments.insert(arguments.begin(), invocation.program);
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    const pid_t child = fork();
    if (child == 0) {
        dup2(in[0], STDIN_FILENO);
        if (invocation.standardOutputPath.empty())
            dup2(out[1], STDOUT_FILENO);
        else
            dup2(open(invocation.standardOutputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]})
            close(fd);
        // kvs starts as from a plain shell, whatever this test inherited
        // (a harness may run it with some signals ignored or blocked): every
        // signal at its default action and none blocked, but for the one the
        // plan ignores.
        for (int signalNumber = 1; signalNumber < NSIG; ++signalNumber)
            if (signalNumber != SIGKILL && signalNumber != SIGSTOP)
                signal(signalNumber, signalNumber == plan.ignoredAtStart ? SIG_IGN : SIG_DFL);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        if (invocation.user && (setgroups(0, nullptr) != 0 || setresgid(invocation.user, invocation.user, invocation.user) != 0 ||
                                setresuid(invocation.user, invocation.user, invocation.user) != 0))
            _exit(126);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    KvsRun run;
    run.exitCode = Converse(child, in[1], out[0], err[0], invocation, plan, run);
    return run;
}

KvsRun RunKvs(std::vector<std::string> arguments, std::string standardInput)
{
    KvsInvocation invocation;
    invocation.arguments = std::move(arguments);
    invocation.standardInput = std::move(standardInput);
    return RunKvs(invocation);
}

std::string Gzipped(std::string_view text, int times)
{
    z_stream stream = {};
    if (deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        std::abort();
    std::string compressed;
    char buffer[65536];
    for (int i = 0; i <= times; ++i) {
        const bool last = i == times;
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
        stream.avail_in = last ? 0 : uInt(text.size());
        do {
            stream.next_out = reinterpret_cast<Bytef*>(buffer);
            stream.avail_out = sizeof buffer;
            deflate(&stream, last ? Z_FINISH : Z_NO_FLUSH);
            compressed.append(buffer, sizeof buffer - stream.avail_out);
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    return compressed;
}

ScratchFolder::ScratchFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "kvs-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        std::abort();
    folder_ = pattern;
}

ScratchFolder::~ScratchFolder() { std::filesystem::remove_all(folder_); }

std::string ScratchFolder::Write(const std::string& name, const std::string& bytes) const
{
    std::ofstream(folder_ / name, std::ios::binary) << bytes;
    return Path(name);
}

std::string ScratchFolder::Read(const std::string& name) const
{
    std::ostringstream text;
    text << std::ifstream(folder_ / name, std::ios::binary).rdbuf();
    return text.str();
}

std::vector<std::string> ScratchFolder::Names() const
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder_))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

bool WindowHelperBuilt()
{
    return std::filesystem::exists(std::filesystem::path(KVS_PROGRAM).parent_path() / "../libexec/kvs/kvs-window");
}
