#include "cli/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "cli/interrupt.h"

namespace {
std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The mode a newly created file gets: 0666 less the process's umask.
mode_t NewFileMode()
{
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

ToolError WriteAll(int descriptor, std::string_view bytes, const std::string& name)
{
    while (!bytes.empty()) {
        const ssize_t written = write(descriptor, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return RunFailure("cannot write " + name + ": " + SystemMessage(written < 0 ? errno : ENOSPC));
        bytes.remove_prefix(std::size_t(written));
    }
    return {};
}
} // namespace

OutputFile::~OutputFile() { Discard(); }

ToolError OutputFile::Open(const std::string& path)
{
    if (path.empty() || path == "-") {
        toStandardOutput_ = true;
        path_ = "standard output";
        return {};
    }
    target_ = path;
    path_ = "'" + path + "'";
    struct stat status;
    const bool exists = stat(path.c_str(), &status) == 0;
    if (exists && S_ISDIR(status.st_mode))
        return UsageError("cannot write " + path_ + ": it is a folder");
    mode_ = exists ? status.st_mode & 07777 : NewFileMode();  // a replaced file keeps its permissions
    const std::string folder = FolderOf(path);
    if (BaseNameOf(path).empty())
        return UsageError("cannot write " + path_ + ": no file name");
    if (stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
        return UsageError("cannot write " + path_ + ": the folder '" + folder + "' does not exist");

    std::string pattern = folder + "/." + BaseNameOf(path) + ".kvs-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    descriptor_ = mkostemp(name.data(), O_CLOEXEC);
    if (descriptor_ < 0)
        return UsageError("cannot write " + path_ + " in the folder '" + folder + "': " + SystemMessage(errno));
    temporaryPath_ = name.data();
    if (!RegisterTemporaryFile(temporaryPath_.c_str())) {
        Discard();
        return UsageError("cannot write " + path_ + ": its path is too long");
    }
    return {};
}

ToolError OutputFile::Write(std::string_view bytes)
{
    if (toStandardOutput_) {
        if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size())
            return RunFailure("cannot write " + path_ + ": " + SystemMessage(errno));
        return {};
    }
    return WriteAll(descriptor_, bytes, path_);
}

ToolError OutputFile::Commit()
{
    if (toStandardOutput_) {
        if (std::fflush(stdout) != 0 || std::ferror(stdout))
            return RunFailure("cannot write " + path_ + ": " + SystemMessage(errno));
        return {};
    }
    if (fchmod(descriptor_, mode_) != 0 || fsync(descriptor_) != 0) {
        const int error = errno;
        Discard();
        return RunFailure("cannot write " + path_ + ": " + SystemMessage(error));
    }
    const int closed = close(descriptor_);
    descriptor_ = -1;
    if (closed != 0 || rename(temporaryPath_.c_str(), target_.c_str()) != 0) {
        const int error = errno;
        Discard();
        return RunFailure("cannot write " + path_ + ": " + SystemMessage(error));
    }
    ForgetTemporaryFile(temporaryPath_.c_str());
    temporaryPath_.clear();
    return {};
}

void OutputFile::Discard()
{
    if (descriptor_ >= 0)
        close(descriptor_);
    descriptor_ = -1;
    if (!temporaryPath_.empty()) {
        unlink(temporaryPath_.c_str());
        ForgetTemporaryFile(temporaryPath_.c_str());
        temporaryPath_.clear();
    }
}
