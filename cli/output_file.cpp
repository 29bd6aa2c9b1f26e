#include "cli/output_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <utility>

#include "cli/interrupt.h"

namespace {
std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool IsFolder(const std::string& path)
{
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

ToolError OpenFailure(const std::string& path, int systemError)
{
    const std::string name = "cannot write '" + path + "': ";
    if (systemError == EINTR)
        return InterruptedError();
    if (systemError == EISDIR)
        return UsageError(name + "it is a folder");
    if (systemError == ENOENT && !IsFolder(FolderOf(path)))
        return UsageError(name + "the folder '" + FolderOf(path) + "' does not exist");
    return UsageError(name + SystemMessage(systemError));
}
} // namespace

OutputFile::~OutputFile() { DiscardFile(file_); }

ToolError OutputFile::Open(const std::string& path)
{
    if (path.empty())
        return UsageError("an output file needs a name");
    toStandardOutput_ = path == "-";
    path_ = toStandardOutput_ ? "standard output" : "'" + path + "'";
    if (toStandardOutput_)
        return {};
    file_ = OpenFileForWriting(path.c_str(), ReaderWait::UntilOneComes);
    return file_ ? ToolError{} : OpenFailure(path, LastFileError());
}

ToolError OutputFile::Write(std::string_view bytes)
{
    if (Interrupted())
        return WriteFailure(EINTR);
    if (toStandardOutput_) {
        if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size())
            return WriteFailure(errno);
        return {};
    }
    return WriteFileBytes(file_, bytes.data(), bytes.size()) ? ToolError{} : WriteFailure(LastFileError());
}

ToolError OutputFile::Commit()
{
    if (Interrupted())
        return WriteFailure(EINTR);
    if (toStandardOutput_) {
        if (std::fflush(stdout) != 0 || std::ferror(stdout))
            return WriteFailure(errno);
        return {};
    }
    return CloseFileHandle(std::exchange(file_, kNoFile)) ? ToolError{} : WriteFailure(LastFileError());
}

// The file is given up at once: its temporary file never outlives the message.
ToolError OutputFile::WriteFailure(int systemError)
{
    DiscardFile(std::exchange(file_, kNoFile));
    if (systemError == EINTR)
        return InterruptedError();
    return RunFailure("cannot write " + path_ + ": " + SystemMessage(systemError));
}
