// Every file kvs writes (-o, save:, --export-series, --plot) follows the
// rules of every file the program writes, the window's saves included: the
// target's kind decides how it is written, a failure or a signal leaves the
// old file byte for byte, and nothing is ever left beside it.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "run_kvs.h"
#include "support/posix/write_targets.h"

namespace {
using std::filesystem::file_type;

struct OutputCase {
    const char* name;
    std::function<std::optional<std::string>()> target;  // the name given; none when the system does not let the test make it
    int exitCode;
    std::string message;                  // a fragment of the one error line; "" for none
    std::function<bool(const KvsRun&)> holds;
    bool interrupted = false;  // Ctrl-C as soon as kvs handles it
};

std::optional<std::string> IfMade(bool made, const std::string& path)
{
    return made ? std::optional<std::string>(path) : std::nullopt;
}

// Runs each case with its target after the arguments, with the checks every case shares.
void RunOutputCases(const ScratchFolder& folder, const std::vector<std::string>& arguments,
                    const std::vector<OutputCase>& cases, std::vector<int*> ends)
{
    for (const OutputCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<std::string> target = c.target();
        if (!target) {
            std::printf("skipped \"%s\": the system does not let this test make it\n", c.name);
            continue;
        }
        KvsInvocation invocation;
        invocation.arguments = arguments;
        invocation.arguments.push_back(*target);
        invocation.interruptAfterMs = c.interrupted ? 0 : -1;
        const KvsRun run = RunKvs(invocation);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        if (c.message.empty()) {
            EXPECT_EQ(run.err, "");
        } else {
            EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
            EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line: " << run.err;
        }
        EXPECT_TRUE(c.holds(run));
        EXPECT_FALSE(TemporaryFilesLeftIn(folder.Path("")));
        for (int* end : ends)
            if (*end >= 0)
                close(std::exchange(*end, -1));
    }
}

// A report without its search time, which differs from run to run.
std::string Timeless(const std::string& report)
{
    return report.substr(0, report.find("\nsearch "));
}

struct stat StatusOf(const std::string& path)
{
    struct stat status = {};
    stat(path.c_str(), &status);
    return status;
}

// A user that is neither the administrator nor the owner of the test's files.
constexpr uid_t kOtherUser = 65534;

// An access control list that lets kOtherUser read and write, in the
// system's encoding of system.posix_acl_access: a version, then entries of
// a tag, permissions and an id, sorted by tag.
std::string AclGrantingOtherUser()
{
    struct Entry {
        uint16_t tag, permissions;
        uint32_t id;
    };
    const uint32_t version = 2;
    const Entry entries[] = {{0x01, 6, ~0u}, {0x02, 6, kOtherUser}, {0x04, 4, ~0u}, {0x10, 6, ~0u}, {0x20, 0, ~0u}};
    std::string bytes(reinterpret_cast<const char*>(&version), sizeof version);
    bytes.append(reinterpret_cast<const char*>(entries), sizeof entries);
    return bytes;
}

std::string Attribute(const std::string& path, const char* name)
{
    std::string value(4096, '\0');
    const ssize_t size = getxattr(path.c_str(), name, value.data(), value.size());
    return value.substr(0, size < 0 ? 0 : std::size_t(size));
}

// Whether the process waits in a call to fsync.
bool InFsync(pid_t process)
{
    std::ifstream call("/proc/" + std::to_string(process) + "/syscall");
    long number = -1;
    call >> number;
    return number == SYS_fsync;
}

// Whether the folder holds a temporary file of a save with bytes in it.
bool SavingIn(const std::string& folder)
{
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        if (entry.path().filename().string().starts_with(".kestrand-save-") && entry.file_size(error) > 0)
            return true;
    return false;
}

// The first child of a process, 0 when it has none.
pid_t ChildOf(pid_t parent)
{
    std::ifstream children("/proc/" + std::to_string(parent) + "/task/" + std::to_string(parent) + "/children");
    pid_t child = 0;
    children >> child;
    return child;
}
} // namespace

// A file, or a link to one, is replaced whole, keeping its permissions and
// owner and leaving the links as they are; a FIFO (waited for, as a shell
// waits), a device, a socket or standard output is written straight
// through; a folder, a loop of links, a write-protected file, an empty name
// and a read-only disk are refused before any work (exit 2); a full disk
// fails the run (exit 1) and keeps the old file.
TEST(KvsOutput, EveryKindOfTargetFollowsTheRules)
{
    ScratchFolder folder;
    const std::string table = folder.Write("t.csv", "1,2\n3,4\n5,6\n");
    const KvsRun plain = RunKvs({"search", table, "-s", "2"});
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    const std::string result = Timeless(plain.out);
    ASSERT_NE(result.find("centre    row 3"), std::string::npos) << plain.out;
    const std::string old = "old result\n";
    const mode_t umaskBits = umask(0);
    umask(umaskBits);
    std::filesystem::create_directory(folder.Path("real"));
    const std::string real = folder.Path("real/out.txt");
    const auto oldFile = [&](mode_t mode) {
        folder.Write("real/out.txt", old);
        chmod(real.c_str(), mode);
        return real;
    };
    const auto link = [&](const char* name, const std::string& destination) {
        std::filesystem::create_symlink(destination, folder.Path(name));
        return folder.Path(name);
    };
    const auto type = [&](const char* name) { return std::filesystem::symlink_status(folder.Path(name)).type(); };
    const auto isResult = [&](const std::string& path) { return Timeless(folder.Read(path.substr(folder.Path("").size()))) == result; };
    int reader = -1;
    std::optional<SmallFilesystem> full;
    std::optional<SmallFilesystem> readOnly;
    const auto mounted = [&](std::optional<SmallFilesystem>& disk, const char* name, bool ro) {
        std::filesystem::create_directory(folder.Path(name));
        disk.emplace(folder.Path(name), 4096, ro);
        return disk->Mounted();
    };
    const std::string longName(255, 'n');
    RunOutputCases(folder, {"search", table, "-s", "2", "-o"}, {
        {"a new file", [&] { return folder.Path("new.txt"); }, 0, "",
         [&](const KvsRun&) { return isResult(folder.Path("new.txt")) && (StatusOf(folder.Path("new.txt")).st_mode & 07777) == (0666 & ~umaskBits); }},
        {"an old file", [&] { chown(oldFile(0640).c_str(), 1234, 5678); return real; }, 0, "",
         [&](const KvsRun&) {
             const struct stat status = StatusOf(real);
             return isResult(real) && (status.st_mode & 07777) == 0640 &&
                    (geteuid() != 0 || (status.st_uid == 1234 && status.st_gid == 5678));
         }},
        {"a link to a file", [&] { oldFile(0600); return link("absolute.txt", real); }, 0, "",
         [&](const KvsRun&) { return isResult(real) && std::filesystem::read_symlink(folder.Path("absolute.txt")) == real; }},
        {"a chain of relative links", [&] { oldFile(0644); link("second.txt", "real/out.txt"); return link("first.txt", "second.txt"); }, 0, "",
         [&](const KvsRun&) { return isResult(real) && type("first.txt") == file_type::symlink && type("second.txt") == file_type::symlink; }},
        {"a link whose file does not exist yet", [&] { std::filesystem::remove(real); return link("dangling.txt", "real/out.txt"); }, 0, "",
         [&](const KvsRun&) { return isResult(real) && type("dangling.txt") == file_type::symlink; }},
        {"a loop of links", [&] { link("loop1.txt", "loop2.txt"); return link("loop2.txt", "loop1.txt"); }, 2,
         "loop2.txt': Too many levels of symbolic links",
         [&](const KvsRun&) { return type("loop1.txt") == file_type::symlink && type("loop2.txt") == file_type::symlink; }},
        {"a folder", [&] { return folder.Path("real"); }, 2, "real': it is a folder",
         [&](const KvsRun&) { return type("real") == file_type::directory; }},
        {"a folder that does not exist", [&] { return folder.Path("missing/out.txt"); }, 2, "/missing' does not exist",
         [&](const KvsRun&) { return type("missing") == file_type::not_found; }},
        {"a write-protected file", [&] { return oldFile(0444); }, 2, "out.txt': Permission denied",
         [&](const KvsRun&) { return folder.Read("real/out.txt") == old; }},
        {"an empty name", [&] { return std::string(); }, 2, "needs a name",
         [&](const KvsRun& run) { return run.out.empty(); }},
        {"a FIFO with a reader", [&] { reader = OpenFifoReader(folder.Path("fifo")); return folder.Path("fifo"); }, 0, "",
         [&](const KvsRun&) { return Timeless(ReadToEnd(reader)) == result && type("fifo") == file_type::fifo; }},
        {"a FIFO nobody reads, waited for until Ctrl-C", [&] { mkfifo(folder.Path("lonely").c_str(), 0644); return folder.Path("lonely"); },
         130, "kvs: interrupted", [&](const KvsRun&) { return type("lonely") == file_type::fifo; }, true},
        {"a device that takes everything", [&] { return IfMade(MakeMemoryDevice(folder.Path("null"), 3), folder.Path("null")); }, 0, "",
         [&](const KvsRun&) { return type("null") == file_type::character; }},
        {"a device that is always full", [&] { return IfMade(MakeMemoryDevice(folder.Path("full"), 7), folder.Path("full")); }, 1,
         "full': No space left on device", [&](const KvsRun&) { return type("full") == file_type::character; }},
        {"a socket with a listener", [&] { reader = ListenAt(folder.Path("socket")); return folder.Path("socket"); }, 0, "",
         [&](const KvsRun&) { return Timeless(ReadFirstConnection(reader)) == result && type("socket") == file_type::socket; }},
        {"a socket nobody listens at", [&] { close(ListenAt(folder.Path("closed"))); return folder.Path("closed"); }, 2,
         "closed': Connection refused", [&](const KvsRun&) { return type("closed") == file_type::socket; }},
        {"standard output as '-'", [&] { return std::string("-"); }, 0, "", [&](const KvsRun& run) { return Timeless(run.out) == result; }},
        {"standard output through a link of /proc, as /dev/stdout is", [&] { return link("stdout", "/proc/self/fd/1"); }, 0, "",
         [&](const KvsRun& run) { return Timeless(run.out) == result && type("stdout") == file_type::symlink; }},
        {"a name as long as the system allows", [&] { return folder.Path(longName); }, 0, "",
         [&](const KvsRun&) { return isResult(folder.Path(longName)); }},
        {"a read-only disk", [&] { return IfMade(mounted(readOnly, "readonly", true), folder.Path("readonly/out.txt")); }, 2,
         "out.txt': Read-only file system", [&](const KvsRun&) { return std::filesystem::is_empty(folder.Path("readonly")); }},
        {"a full disk",
         [&] {
             if (mounted(full, "small", false))
                 folder.Write("small/out.txt", old);
             return IfMade(full->Mounted(), folder.Path("small/out.txt"));
         },
         1, "out.txt': No space left on device", [&](const KvsRun&) { return folder.Read("small/out.txt") == old; }},
    }, {&reader});
}

// A replaced file keeps what its owner gave it: its access control list and
// extended attributes, and its set-user and set-group bits when its owner,
// not the administrator, replaces it. A file in a sticky folder (as /tmp)
// that the system would not let the user replace is refused before any
// work (exit 2), not after the search.
TEST(KvsOutput, AReplacedFileKeepsWhatItsOwnerGaveIt)
{
    ScratchFolder folder;
    chmod(folder.Path("").c_str(), 0755);  // for the other user
    const std::string table = folder.Write("t.csv", "1,2\n3,4\n5,6\n");
    const std::string result = Timeless(RunKvs({"search", table, "-s", "2"}).out);
    const std::string old = "old result\n";
    const std::string acl = AclGrantingOtherUser();
    const auto isResult = [&](const std::string& path) { return Timeless(folder.Read(path.substr(folder.Path("").size()))) == result; };
    const auto folderOf = [&](const char* name, mode_t mode, uid_t owner) {
        std::filesystem::create_directory(folder.Path(name));
        chown(folder.Path(name).c_str(), owner, owner);
        chmod(folder.Path(name).c_str(), mode);
    };
    const auto oldFile = [&](const char* name, mode_t mode, uid_t owner) {
        const std::string path = folder.Write(name, old);
        chown(path.c_str(), owner, owner);
        chmod(path.c_str(), mode);
        return path;
    };
    const struct {
        const char* name;
        std::function<std::optional<std::string>()> target;  // none when the file system cannot hold it
        uid_t user;
        int exitCode;
        std::string message;
        std::function<bool(const std::string& target, const KvsRun&)> holds;
    } cases[] = {
        {"a file with an access control list and a user's attribute",
         [&]() -> std::optional<std::string> {
             const std::string path = oldFile("acl.txt", 0640, 0);
             if (setxattr(path.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0 ||
                 setxattr(path.c_str(), "user.origin", "kept", 4, 0) != 0)
                 return std::nullopt;
             return path;
         },
         0, 0, "",
         [&](const std::string& path, const KvsRun&) {
             return isResult(path) && Attribute(path, "system.posix_acl_access") == acl &&
                    Attribute(path, "user.origin") == "kept" && (StatusOf(path).st_mode & 07777) == 0660;
         }},
        {"a set-user and set-group program replaced by its owner",
         [&] {
             folderOf("own", 0755, kOtherUser);
             return oldFile("own/tool", 06755, kOtherUser);
         },
         kOtherUser, 0, "",
         [&](const std::string& path, const KvsRun&) {
             return isResult(path) && (StatusOf(path).st_mode & 07777) == 06755 && StatusOf(path).st_uid == kOtherUser;
         }},
        {"someone else's file in a sticky folder",
         [&] {
             folderOf("shared", 01777, 0);
             return oldFile("shared/theirs.txt", 0666, 0);
         },
         kOtherUser, 2, "theirs.txt': Operation not permitted",
         [&](const std::string& path, const KvsRun& run) { return folder.Read(path.substr(folder.Path("").size())) == old && run.out.empty(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<std::string> target = c.target();
        if (!target) {
            std::printf("skipped \"%s\": the file system does not hold it\n", c.name);
            continue;
        }
        KvsInvocation invocation;
        invocation.arguments = {"search", table, "-s", "2", "-o", *target};
        invocation.user = c.user;
        const KvsRun run = RunKvs(invocation);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        EXPECT_TRUE(c.message.empty() ? run.err.empty() : run.err.find(c.message) != std::string::npos) << run.err;
        EXPECT_TRUE(c.holds(*target, run));
        EXPECT_FALSE(TemporaryFilesLeftIn(folder.Path("")));
    }
}

// Ctrl-C while the new file is being flushed to the disk (the flush held
// back for two seconds by strace) still keeps the old file: exit 130.
TEST(KvsOutput, CtrlCDuringTheFlushKeepsTheOldFile)
{
    const std::string strace = "/usr/bin/strace";
    if (access(strace.c_str(), X_OK) != 0)
        GTEST_SKIP() << "needs strace (scripts/setup.sh installs it)";
    ScratchFolder folder;
    const std::string table = folder.Write("t.csv", "1,2\n3,4\n5,6\n");
    const std::string old = "old result\n";
    const std::string path = folder.Write("out.txt", old);
    KvsInvocation invocation;
    // LeakSanitizer cannot run in a traced process: a sanitized kvs is told
    // not to look for leaks here (its other checks stay on).
    invocation.program = "/usr/bin/env";
    invocation.arguments = {"ASAN_OPTIONS=detect_leaks=0:abort_on_error=0",
                            strace, "-qq", "-o", "/dev/null", "-e", "trace=fsync", "-e",
                            "inject=fsync:delay_enter=2000000", KVS_PROGRAM, "search", table, "-s", "2", "-o", path};
    // The signal goes to kvs, strace's child, while it waits in the flush.
    SignalPlan plan;
    plan.signalNumber = 0;
    plan.when = [&](pid_t tracer) {
        const pid_t kvs = ChildOf(tracer);
        if (kvs == 0 || !CatchesSignal(kvs, SIGINT) || !SavingIn(folder.Path("")) || !InFsync(kvs))
            return false;
        kill(kvs, SIGINT);
        return true;
    };
    const KvsRun run = RunKvs(invocation, plan);
    EXPECT_EQ(run.exitCode, 130) << run.err;
    EXPECT_EQ(run.err, "kvs: interrupted\n");
    EXPECT_EQ(folder.Read("out.txt"), old);
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"out.txt", "t.csv"}));
}

// A FIFO's reader that takes 1000 bytes and goes: a file given with -o is a
// failed write (exit 1, one line); standard output follows a pipeline's
// convention (kvs ends quietly of SIGPIPE, as cat or grep would).
TEST(KvsOutput, AReaderThatGoesEarlyIsAFailedWrite)
{
    ScratchFolder folder;
    // Three rows of 20000 columns: a report of over 100 KB, more than a pipe holds.
    std::string row;
    for (int k = 0; k < 20000; ++k)
        row += (k ? "," : "") + std::to_string(10000 + k);
    const std::string table = folder.Write("wide.csv", row + "\n" + row + "\n" + row + "\n");
    const struct {
        const char* name;
        bool toStandardOutput;
        int exitCode;
        std::string error;
    } cases[] = {
        {"-o FIFO", false, 1, "kvs: cannot write '" + folder.Path("fifo0") + "': Broken pipe\n"},
        {"standard output", true, 128 + SIGPIPE, ""},
    };
    int count = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string fifo = folder.Path("fifo" + std::to_string(count++));
        const int reader = OpenFifoReader(fifo);
        ASSERT_GE(reader, 0);
        std::thread reading([reader] {
            pollfd ready = {reader, POLLIN, 0};
            poll(&ready, 1, 60 * 1000);
            char taken[1000];
            [[maybe_unused]] const ssize_t got = read(reader, taken, sizeof taken);
            close(reader);
        });
        KvsInvocation invocation;
        invocation.arguments = {"search", table, "-s", "1"};
        if (c.toStandardOutput)
            invocation.standardOutputPath = fifo;
        else
            invocation.arguments.insert(invocation.arguments.end(), {"-o", fifo});
        const KvsRun run = RunKvs(invocation);
        reading.join();
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        EXPECT_EQ(run.err, c.error);
    }
    EXPECT_FALSE(TemporaryFilesLeftIn(folder.Path("")));
}

// Ctrl-C, SIGTERM, SIGHUP and the other signals whose default action ends
// a program (a user's, the profiler's and a real-time one here; the
// window's tests take the others) during a large save end kvs at once: the old file keeps its bytes and the
// temporary file is gone; Ctrl-C exits with 130 and its line, the others
// end kvs as they end any program. Started with
// SIGHUP ignored (nohup), kvs keeps it ignored and finishes the save.
TEST(KvsOutput, SignalsDuringALargeSaveKeepTheOldFile)
{
    if (!WindowHelperBuilt())
        GTEST_SKIP() << "kvs demo needs the window helper, which a build without the window does not make";
    ScratchFolder folder;
    const std::string old = "the old picture\n";
    const std::string path = folder.Write("big.bmp", old);
    // The window has begun writing the picture's bytes (not only tried the name).
    const auto saving = [&](pid_t) { return SavingIn(folder.Path("")); };
    const struct {
        int signalNumber;
        int ignoredAtStart;
        int exitCode;
        std::string error;
    } cases[] = {
        {SIGINT, 0, 130, "kvs: interrupted\n"},
        {SIGTERM, 0, 128 + SIGTERM, ""},
        {SIGHUP, 0, 128 + SIGHUP, ""},
        {SIGHUP, SIGHUP, 0, ""},
        {SIGUSR1, 0, 128 + SIGUSR1, ""},
        {SIGPROF, 0, 128 + SIGPROF, ""},
        {SIGRTMIN, 0, 128 + SIGRTMIN, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.signalNumber);
        folder.Write("big.bmp", old);
        KvsInvocation invocation;
        invocation.arguments = {"demo", "--client", "2048x2048", "pick:10,20", "save:" + path};
        const KvsRun run = RunKvs(invocation, {saving, c.signalNumber, c.ignoredAtStart});
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        EXPECT_EQ(run.err, c.error);
        const std::string bytes = folder.Read("big.bmp");
        if (c.ignoredAtStart)
            EXPECT_EQ(bytes.size(), 54u + 4u * 2048 * 2048);
        else
            EXPECT_TRUE(bytes == old) << "the old file was replaced";
        EXPECT_EQ(folder.Names(), std::vector<std::string>{"big.bmp"});
    }
}

// A demo's save is the window's save, with kvs's checks before it: a
// write-protected file, a folder and a name longer than the window's are
// refused before the window does anything (exit 2); a FIFO that nobody reads
// fails at once, as in the window, which never waits (exit 1, the window's
// messages and the system's reason). There is no limit on the saves of one
// run, and an empty name for the series is refused.
TEST(KvsOutput, DemoSavesFollowTheWindowsRules)
{
    if (!WindowHelperBuilt())
        GTEST_SKIP() << "kvs demo needs the window helper, which a build without the window does not make";
    ScratchFolder folder;
    const std::string protectedFile = folder.Write("protected.bmp", "old");
    chmod(protectedFile.c_str(), 0444);
    mkfifo(folder.Path("lonely.bmp").c_str(), 0644);
    std::vector<std::string> nineSaves = {"--client", "640x480", "pick:10,20"};
    for (int i = 1; i <= 9; ++i)
        nineSaves.push_back("save:" + folder.Path(std::to_string(i) + ".bmp"));
    const std::string tooLong = folder.Path(std::string(256 - folder.Path("").size() - 4, 'n') + ".bmp");
    const struct {
        std::vector<std::string> arguments;
        int exitCode;
        std::string message;
    } cases[] = {
        {{"save:" + protectedFile}, 2, "protected.bmp': Permission denied"},
        {{"save:" + folder.Path("")}, 2, "must end in one of them"},
        {{"save:" + tooLong}, 2, "the window's file name holds at most 255 bytes"},
        {{"--export-series", "", "pick:1,2"}, 2, "needs a name"},
        {{"save:" + folder.Path("lonely.bmp")}, 1,
         "save:" + folder.Path("lonely.bmp") + ": CreateFile ERROR!; Bitmap file is not created (No such device or address)"},
        {nineSaves, 0, ""},
    };
    for (const auto& c : cases) {
        std::vector<std::string> arguments = {"demo"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        SCOPED_TRACE(arguments.back());
        const KvsRun run = RunKvs(arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
    EXPECT_EQ(folder.Read("protected.bmp"), "old");
    EXPECT_EQ(std::filesystem::status(folder.Path("lonely.bmp")).type(), file_type::fifo);
    EXPECT_EQ(folder.Names().size(), 11u) << "the nine pictures beside the two targets";
    EXPECT_FALSE(TemporaryFilesLeftIn(folder.Path("")));
}
