#include "BenchFiles.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

#include <unistd.h>

namespace fs = std::filesystem;

fs::path benchDir()
{
    if (const char* dir = std::getenv("ZET_BENCH_DIR"))
        return dir;
    std::error_code ec;
    if (fs::is_directory("/dev/shm", ec) && access("/dev/shm", W_OK) == 0)
        return "/dev/shm";
    return fs::temp_directory_path();
}

std::string readWholeFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
