// How long kvs search takes to hold a table of 10^7 rows of 2 values, read
// from a .npy file (int32 rows, mapped in place; int64 rows, converted) and
// from the same table as CSV. Each read is followed by one pass over the
// values, so that a mapped file's pages are read too. The files are written
// first into the given folder (the page cache then holds them: the figures
// are the reading's own cost, not the disk's). The median of the rounds.
//
//   table_file_bench FOLDER [ROUNDS] [ROWS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "cli/input_file.h"

namespace {
std::string NpyHeader(const char* type, int64_t rows)
{
    std::string dict = std::string("{'descr': '") + type + "', 'fortran_order': False, 'shape': (" +
                       std::to_string(rows) + ", 2), }";
    dict += std::string(63 - (10 + dict.size()) % 64, ' ') + "\n";
    return std::string("\x93NUMPY\x01\x00", 8) + char(dict.size() & 0xFF) + char(dict.size() >> 8) + dict;
}

template <typename Value>
void WriteNpy(const std::string& path, const char* type, const std::vector<int32_t>& values)
{
    std::ofstream out(path, std::ios::binary);
    out << NpyHeader(type, int64_t(values.size() / 2));
    const std::vector<Value> wide(values.begin(), values.end());
    out.write(reinterpret_cast<const char*>(wide.data()), std::streamsize(wide.size() * sizeof(Value)));
}

void WriteCsv(const std::string& path, const std::vector<int32_t>& values)
{
    std::ofstream out(path);
    for (std::size_t i = 0; i < values.size(); i += 2)
        out << values[i] << ',' << values[i + 1] << '\n';
}

double MedianSeconds(const std::string& path, int rounds, int64_t& sum)
{
    std::vector<double> seconds;
    for (int round = 0; round < rounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        Table table;
        if (const ToolError error = ReadTableFile(path, {}, table)) {
            std::fprintf(stderr, "%s\n", error.message.c_str());
            std::exit(1);
        }
        sum = 0;
        for (int64_t i = 0; i < table.rows * table.dimension; ++i)
            sum += table.Data()[i];
        seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(seconds.begin(), seconds.end());
    return seconds[seconds.size() / 2];
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: table_file_bench FOLDER [ROUNDS] [ROWS]\n");
        return 2;
    }
    const std::string folder = argv[1];
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    const int64_t rows = argc > 3 ? std::atoll(argv[3]) : 10'000'000;
    std::mt19937 random(7);
    std::uniform_int_distribution<int32_t> coordinate(-1'000'000, 1'000'000);
    std::vector<int32_t> values(std::size_t(rows) * 2);
    for (int32_t& value : values)
        value = coordinate(random);
    WriteNpy<int32_t>(folder + "/rows_i4.npy", "<i4", values);
    WriteNpy<int64_t>(folder + "/rows_i8.npy", "<i8", values);
    WriteCsv(folder + "/rows.csv", values);

    int64_t sums[3] = {};
    const double csv = MedianSeconds(folder + "/rows.csv", rounds, sums[0]);
    const double int32 = MedianSeconds(folder + "/rows_i4.npy", rounds, sums[1]);
    const double int64 = MedianSeconds(folder + "/rows_i8.npy", rounds, sums[2]);
    if (sums[0] != sums[1] || sums[0] != sums[2]) {
        std::fprintf(stderr, "the three files gave different tables\n");
        return 1;
    }
    std::printf("%lld rows x 2: CSV %.3f s; .npy int32 (in place) %.3f s, %.0fx faster; "
                ".npy int64 (converted) %.3f s, %.0fx faster\n",
                static_cast<long long>(rows), csv, int32, csv / int32, int64, csv / int64);
    return 0;
}
