// Files and bytes for the export tests: a scratch folder, reading a written
// file back, little-endian fields, and limits that make writes fail.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A fresh folder under the system's temporary folder, removed with all it holds.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string path(const std::string& name) const;
    // The names of what the folder holds, sorted.
    std::vector<std::string> names() const;

private:
    std::string root;
};

std::vector<uint8_t> ReadWholeFile(const std::string& path);
bool FileExists(const std::string& path);
// Files this process holds open now, so a test can see a writer that forgets to close one.
long OpenFileCount();
void WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes);

// Expands PCX run-length codes: a byte with both top bits set counts how often
// the next byte repeats; any other byte stands for itself.
std::vector<uint8_t> DecodePcxRuns(const uint8_t* codes, std::size_t length);

uint16_t Le16(const std::vector<uint8_t>& bytes, std::size_t offset);
uint32_t Le32(const std::vector<uint8_t>& bytes, std::size_t offset);

// While it lives, files this process writes stop growing at maxBytes: a write
// that crosses the limit is cut short and the next one is refused.
class FileSizeLimit {
public:
    explicit FileSizeLimit(long maxBytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
};

// Runs a command through the shell; its standard output, and its exit status in *status.
std::string RunCommand(const std::string& command, int* status);
