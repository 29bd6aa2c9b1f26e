#include "cli/output_file.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <utility>

#include "cli/interrupt.h"

namespace {
// The folder a name is in, as the user wrote it.
std::string FolderOf(const std::string& path)
{
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    return folder.empty() ? "." : folder.string();
}

ToolError OpenFailure(const std::string& path, int systemError)
{
    const std::string name = "cannot write '" + path + "': ";
    if (systemError == EINTR)
        return InterruptedError();
    if (systemError == EISDIR)
        return UsageError(name + "it is a folder");
    std::error_code ignored;
    if (systemError == ENOENT && !std::filesystem::is_directory(FolderOf(path), ignored))
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
    file_ = OpenFileForWriting(path.c_str(), &InterruptFlag());
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
