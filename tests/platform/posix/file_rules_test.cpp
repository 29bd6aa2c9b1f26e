// The rules every file the program writes follows, by what the chosen name
// is (platform/file_io.h), below any writer of the window or of kvs: a
// file, or a link to one, is replaced through a temporary file beside it,
// keeping its permissions and owner and leaving the links as they are; a
// FIFO, a device, a socket or a descriptor of the program is written
// straight through and stays what it is; a folder, a loop of links, a
// write-protected file, a FIFO that nobody reads (at once, when the caller
// may not wait) and a read-only disk are refused when opened; a full device
// or disk fails the write; the old file keeps its bytes, and no case leaves
// a temporary file.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "platform/file_io.h"
#include "support/posix/write_targets.h"

namespace {

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// The step of a save that fails.
enum class Step { None, Open, Write, Close };

Step Save(const std::string& path, const std::string& bytes)
{
    FileHandle file = OpenFileForWriting(path.c_str());
    if (file == kNoFile)
        return Step::Open;
    if (!WriteFileBytes(file, bytes.data(), bytes.size())) {
        DiscardFile(file);
        return Step::Write;
    }
    return CloseFileHandle(file) ? Step::None : Step::Close;
}

// A folder of the test's own, removed with what it holds.
class Folder {
public:
    Folder() : root(std::filesystem::temp_directory_path() / ("kv-file-rules-" + std::to_string(getpid())))
    {
        std::filesystem::create_directory(root);
    }
    ~Folder() { std::filesystem::remove_all(root); }
    std::string at(const char* name) const { return (root / name).string(); }

private:
    std::filesystem::path root;
};

}  // namespace

TEST(FileRules, EveryKindOfTargetFollowsTheRules)
{
    Folder folder;
    const auto at = [&](const char* name) { return folder.at(name); };
    const std::string kNew(310, 'N');
    using std::filesystem::file_type;
    const std::string old(100, 'Z');
    const mode_t umaskBits = umask(0);
    umask(umaskBits);
    std::filesystem::create_directory(at("real"));
    const std::string real = at("real/picture.bmp");
    const auto oldFile = [&](mode_t mode) {
        WriteAll(real, old);
        chmod(real.c_str(), mode);
        return real;
    };
    const auto link = [&](const char* name, const std::string& destination) {
        std::filesystem::create_symlink(destination, at(name));
        return at(name);
    };
    const auto type = [&](const char* name) { return std::filesystem::symlink_status(at(name)).type(); };
    const auto isNew = [&](const std::string& path) { return ReadAll(path) == kNew; };
    const auto mode = [](const std::string& path) {
        struct stat status = {};
        stat(path.c_str(), &status);
        return status;
    };
    int reader = -1;  // a FIFO's, a pipe's or a socket's other end
    int writer = -1;  // a pipe's writing end, which the program holds
    std::optional<SmallFilesystem> full;
    std::optional<SmallFilesystem> readOnly;
    const auto mounted = [&](std::optional<SmallFilesystem>& disk, const char* name, bool ro) {
        std::filesystem::create_directory(at(name));
        disk.emplace(at(name), 4096, ro);
        return disk->Mounted();
    };
    struct Case {
        const char* name;
        std::function<std::string()> target;  // the path chosen; "" when the system does not let the test make it
        Step failed;                          // the step that fails, Step::None when the save succeeds
        std::function<bool()> holds;          // what is true afterwards
    };
    const Case cases[] = {
        {"a new file", [&] { return at("new.bmp"); }, Step::None,
         [&] { return isNew(at("new.bmp")) && (mode(at("new.bmp")).st_mode & 07777) == (0666 & ~umaskBits); }},
        {"an old file", [&] { chown(oldFile(0640).c_str(), 1234, 5678); return real; }, Step::None,
         [&] {
             const struct stat status = mode(real);
             return isNew(real) && (status.st_mode & 07777) == 0640 &&
                    (geteuid() != 0 || (status.st_uid == 1234 && status.st_gid == 5678));
         }},
        {"a link to a file", [&] { oldFile(0600); return link("absolute.bmp", real); }, Step::None,
         [&] { return isNew(real) && std::filesystem::read_symlink(at("absolute.bmp")) == real &&
                      (mode(real).st_mode & 07777) == 0600; }},
        {"a chain of relative links", [&] { oldFile(0644); link("second.bmp", "real/picture.bmp"); return link("first.bmp", "second.bmp"); }, Step::None,
         [&] { return isNew(real) && type("first.bmp") == file_type::symlink && type("second.bmp") == file_type::symlink; }},
        {"a link whose file does not exist yet", [&] { std::filesystem::remove(real); return link("dangling.bmp", "real/picture.bmp"); }, Step::None,
         [&] { return isNew(real) && type("dangling.bmp") == file_type::symlink; }},
        {"a loop of links", [&] { link("loop1.bmp", "loop2.bmp"); return link("loop2.bmp", "loop1.bmp"); }, Step::Open,
         [&] { return type("loop1.bmp") == file_type::symlink && type("loop2.bmp") == file_type::symlink; }},
        {"a folder", [&] { std::filesystem::create_directory(at("dir.bmp")); return at("dir.bmp"); }, Step::Open,
         [&] { return std::filesystem::is_empty(at("dir.bmp")); }},
        {"a folder that does not exist", [&] { return at("missing/picture.bmp"); }, Step::Open,
         [&] { return !std::filesystem::exists(at("missing")); }},
        {"a write-protected file", [&] { return oldFile(0444); }, Step::Open,
         [&] { return ReadAll(real) == old; }},
        {"a FIFO that nobody reads", [&] { mkfifo(at("lonely.bmp").c_str(), 0644); return at("lonely.bmp"); }, Step::Open,
         [&] { return type("lonely.bmp") == file_type::fifo; }},
        {"a FIFO with a reader", [&] { reader = OpenFifoReader(at("fifo.bmp")); return at("fifo.bmp"); }, Step::None,
         [&] { return ReadToEnd(reader)== kNew && type("fifo.bmp") == file_type::fifo; }},
        {"a device that takes everything", [&] { return MakeMemoryDevice(at("null.bmp"), 3) ? at("null.bmp") : ""; }, Step::None,
         [&] { return type("null.bmp") == file_type::character; }},
        {"a device that is always full", [&] { return MakeMemoryDevice(at("full.bmp"), 7) ? at("full.bmp") : ""; },
         Step::Write, [&] { return type("full.bmp") == file_type::character; }},
        {"a socket with a listener", [&] { reader = ListenAt(at("socket.bmp")); return at("socket.bmp"); }, Step::None,
         [&] { return ReadFirstConnection(reader)== kNew && type("socket.bmp") == file_type::socket; }},
        {"a socket nobody listens at", [&] { close(ListenAt(at("closed.bmp"))); return at("closed.bmp"); }, Step::Open,
         [&] { return type("closed.bmp") == file_type::socket; }},
        {"a descriptor of the program, as /dev/stdout is",
         [&] {
             int ends[2];
             if (pipe(ends) != 0)
                 return std::string();
             reader = ends[0];
             writer = ends[1];
             return link("descriptor.bmp", "/proc/self/fd/" + std::to_string(writer));
         },
         Step::None, [&] { close(std::exchange(writer, -1)); return ReadToEnd(reader) == kNew; }},
        {"a name as long as the system allows", [&] { return at((std::string(251, 'n') + ".bmp").c_str()); }, Step::None,
         [&] { return isNew(at((std::string(251, 'n') + ".bmp").c_str())); }},
        {"a full disk",
         [&] {
             if (!mounted(full, "small", false))
                 return std::string();
             WriteAll(at("small/old.bmp"), old);
             return at("small/old.bmp");
         },
         Step::Write, [&] { return ReadAll(at("small/old.bmp")) == old; }},
        {"a read-only disk", [&] { return mounted(readOnly, "readonly", true) ? at("readonly/new.bmp") : ""; },
         Step::Open, [&] { return std::filesystem::is_empty(at("readonly")); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string target = c.target();
        if (target.empty()) {
            std::printf("skipped \"%s\": the system does not let this test make it\n", c.name);
            continue;
        }
        EXPECT_EQ(Save(target, kNew), c.failed);
        EXPECT_TRUE(c.holds());
        EXPECT_FALSE(TemporaryFilesLeftIn(at("")));
        for (int* end : {&reader, &writer})
            if (*end >= 0)
                close(std::exchange(*end, -1));
    }
}
