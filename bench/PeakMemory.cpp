#include "PeakMemory.h"

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

namespace {

std::size_t statusField(const char* key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(key) + ":";
    while (std::getline(status, line)) {
        if (line.compare(0, prefix.size(), prefix) == 0)
            return std::stoull(line.substr(prefix.size())) * 1024; // reported in kB
    }
    return 0;
}

} // namespace

bool PeakMemory::ResetPeak()
{
    std::ofstream clearRefs("/proc/self/clear_refs");
    clearRefs << "5";
    clearRefs.flush();
    return static_cast<bool>(clearRefs);
}

std::size_t PeakMemory::CurrentBytes()
{
    return statusField("VmRSS");
}

std::size_t PeakMemory::PeakBytes()
{
    return statusField("VmHWM");
}

std::optional<PeakMemory::Figure> PeakMemory::MeasureInChild(const std::string& executable,
                                                             const std::string& args)
{
    const std::string command = "'" + executable + "' " + args;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe)
        return std::nullopt;
    std::string output;
    char chunk[256];
    while (std::fgets(chunk, sizeof chunk, pipe.get()))
        output += chunk;
    if (pclose(pipe.release()) != 0)
        return std::nullopt;
    Figure figure;
    std::istringstream in(output);
    std::string tag;
    if (!(in >> tag >> figure.fileBytes >> figure.peakBytes >> figure.retainedBytes) ||
        tag != "peak-memory")
        return std::nullopt;
    return figure;
}

void PeakMemory::Print(const Figure& figure)
{
    std::printf("peak-memory %zu %zu %zu\n", figure.fileBytes, figure.peakBytes,
                figure.retainedBytes);
}
