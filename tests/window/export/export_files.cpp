#include "export_files.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/resource.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

ScratchFolder::ScratchFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "kv_export_XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!mkdtemp(name.data()))
        ADD_FAILURE() << "cannot make a scratch folder";
    root = name.data();
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
}

std::string ScratchFolder::path(const std::string& name) const { return root + "/" + name; }

std::vector<std::string> ScratchFolder::names() const
{
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(root))
        found.push_back(entry.path().filename().string());
    std::sort(found.begin(), found.end());
    return found;
}

std::vector<uint8_t> ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FileExists(const std::string& path) { return std::filesystem::exists(path); }

long OpenFileCount()
{
    long count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

void WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<uint8_t> DecodePcxRuns(const uint8_t* codes, std::size_t length)
{
    std::vector<uint8_t> out;
    for (std::size_t i = 0; i < length; ++i) {
        if ((codes[i] & 0xC0) == 0xC0 && i + 1 < length) {
            out.insert(out.end(), codes[i] & 0x3F, codes[i + 1]);
            ++i;
        } else {
            out.push_back(codes[i]);
        }
    }
    return out;
}

uint16_t Le16(const std::vector<uint8_t>& bytes, std::size_t offset)
{
    return uint16_t(bytes.at(offset) | bytes.at(offset + 1) << 8);
}

uint32_t Le32(const std::vector<uint8_t>& bytes, std::size_t offset)
{
    return uint32_t(Le16(bytes, offset)) | uint32_t(Le16(bytes, offset + 2)) << 16;
}

namespace {
rlimit savedLimit;
void (*savedSignal)(int) = SIG_DFL;
}

FileSizeLimit::FileSizeLimit(long maxBytes)
{
    // Crossing the limit raises SIGXFSZ, which would end the test program;
    // ignored, the write reports EFBIG instead.
    savedSignal = std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &savedLimit);
    rlimit limit = savedLimit;
    limit.rlim_cur = rlim_t(maxBytes);
    setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit()
{
    setrlimit(RLIMIT_FSIZE, &savedLimit);
    std::signal(SIGXFSZ, savedSignal);
}

std::string RunCommand(const std::string& command, int* status)
{
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        *status = -1;
        return output;
    }
    char chunk[4096];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0)
        output.append(chunk, got);
    int raw = pclose(pipe);
    *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return output;
}
