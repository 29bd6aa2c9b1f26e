// The rules of replacing a file that belong to the platform layer itself,
// below any writer of the window or of kvs: what a signal does to a file
// being written.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "platform/file_io.h"
#include "platform/posix/temporary_files.h"
#include "support/posix/write_targets.h"

namespace {

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> NamesIn(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

}  // namespace

// Every signal whose default action ends the program (all but SIGKILL,
// which cannot be caught) removes the temporary file first when it comes
// mid-save, then ends it as the signal would have; the old file keeps its
// bytes.
TEST(SaveUnderSignals, EndingSignalsRemoveTheTemporaryFile)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("kv-signals-" + std::to_string(getpid()));
    std::filesystem::create_directory(folder);
    const std::string path = (folder / "old.bmp").string();
    const std::string old(100, 'Z');
    std::ofstream(path, std::ios::binary) << old;
    std::vector<int> signals = {SIGHUP,    SIGINT,  SIGQUIT, SIGILL,  SIGTRAP, SIGABRT, SIGUSR1,
                                SIGUSR2,   SIGPIPE, SIGALRM, SIGTERM, SIGSTKFLT, SIGXCPU, SIGXFSZ,
                                SIGVTALRM, SIGPOLL, SIGPWR,  SIGSYS,  SIGRTMIN, SIGRTMIN + 1, SIGRTMAX};
    // SIGPROF is not among them: GoogleTest starts a death test with it
    // ignored, and an ignored signal stays ignored (kvs's tests take it).
#if !defined(__SANITIZE_ADDRESS__)
    // The address sanitizer keeps these for itself, to report a crash its own way.
    signals.insert(signals.end(), {SIGSEGV, SIGBUS, SIGFPE});
#endif
    for (const int signalNumber : signals) {
        EXPECT_EXIT(
            {
                const rlimit noCore = {};
                setrlimit(RLIMIT_CORE, &noCore);
                RemoveTemporaryFilesOnSignals();
                FileHandle file = OpenFileForWriting(path.c_str());
                if (WriteFileBytes(file, "new", 3) && TemporaryFilesLeftIn(folder.string()))
                    raise(signalNumber);
                std::exit(0);
            },
            testing::KilledBySignal(signalNumber), "")
            << signalNumber;
        EXPECT_EQ(ReadAll(path), old);
        EXPECT_EQ(NamesIn(folder), std::vector<std::string>{"old.bmp"});
    }
    std::filesystem::remove_all(folder);
}
