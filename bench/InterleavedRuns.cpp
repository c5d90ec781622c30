#include "InterleavedRuns.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <thread>

InterleavedRuns::Figure InterleavedRuns::now()
{
    timespec cpu{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
    const auto wall = std::chrono::steady_clock::now().time_since_epoch();
    return {double(cpu.tv_sec) + double(cpu.tv_nsec) * 1e-9,
            std::chrono::duration<double>(wall).count()};
}

namespace {

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 == 1 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

} // namespace

void InterleavedRuns::add(const std::string& name, std::function<bool()> operation)
{
    addTimed(name, [operation = std::move(operation)]() -> std::optional<Figure> {
        const Figure start = now();
        if (!operation())
            return std::nullopt;
        const Figure end = now();
        return Figure{end.cpu - start.cpu, end.wall - start.wall};
    });
}

void InterleavedRuns::addTimed(const std::string& name,
                               std::function<std::optional<Figure>()> operation)
{
    m_operations.push_back(Operation{name, std::move(operation), 1, {}});
}

bool InterleavedRuns::run()
{
    bool ok = true;
    // One call each first: it pages the data in and tells how many calls make a batch.
    for (Operation& op : m_operations) {
        const std::optional<Figure> took = op.run();
        if (!took) {
            std::fprintf(stderr, "%s failed\n", op.name.c_str());
            ok = false;
            op.batch = 0;
            continue;
        }
        op.batch = std::max(1, int(std::ceil(m_batchSeconds / std::max(took->cpu, 1e-6))));
    }
    const std::size_t n = m_operations.size();
    for (int round = 0; round < m_rounds; ++round) {
        for (std::size_t k = 0; k < n; ++k) {
            Operation& op = m_operations[(k + std::size_t(round)) % n];
            if (op.batch == 0)
                continue;
            Figure sum;
            bool failed = false;
            for (int i = 0; i < op.batch && !failed; ++i) {
                const std::optional<Figure> took = op.run();
                failed = !took;
                if (took) {
                    sum.cpu += took->cpu;
                    sum.wall += took->wall;
                }
            }
            if (failed) {
                std::fprintf(stderr, "%s failed\n", op.name.c_str());
                ok = false;
                op.batch = 0;
                op.rounds.clear();
                continue;
            }
            op.rounds.push_back({sum.cpu / op.batch, sum.wall / op.batch});
        }
    }
    return ok;
}

const InterleavedRuns::Operation* InterleavedRuns::find(const std::string& name) const
{
    for (const Operation& op : m_operations) {
        if (op.name == name)
            return &op;
    }
    return nullptr;
}

InterleavedRuns::Figure InterleavedRuns::median(const std::string& name) const
{
    const Operation* op = find(name);
    if (!op || op->rounds.empty())
        return {};
    std::vector<double> cpu;
    std::vector<double> wall;
    for (const Figure& f : op->rounds) {
        cpu.push_back(f.cpu);
        wall.push_back(f.wall);
    }
    return {::median(cpu), ::median(wall)};
}

std::vector<double> InterleavedRuns::roundRatios(const std::string& name,
                                                 const std::string& baseline) const
{
    const Operation* a = find(name);
    const Operation* b = find(baseline);
    std::vector<double> ratios;
    if (!a || !b || a->rounds.size() != b->rounds.size())
        return ratios;
    for (std::size_t i = 0; i < a->rounds.size(); ++i) {
        if (b->rounds[i].cpu > 0)
            ratios.push_back(a->rounds[i].cpu / b->rounds[i].cpu);
    }
    return ratios;
}

double InterleavedRuns::ratio(const std::string& name, const std::string& baseline) const
{
    return ::median(roundRatios(name, baseline));
}

std::pair<double, double> InterleavedRuns::ratioRange(const std::string& name,
                                                      const std::string& baseline) const
{
    const std::vector<double> ratios = roundRatios(name, baseline);
    if (ratios.empty())
        return {0, 0};
    const auto [low, high] = std::minmax_element(ratios.begin(), ratios.end());
    return {*low, *high};
}

std::string InterleavedRuns::machineLoad()
{
    std::ifstream in("/proc/loadavg");
    double one = 0, five = 0, fifteen = 0;
    in >> one >> five >> fifteen;
    char text[160];
    std::snprintf(text, sizeof text, "load average %.2f, %.2f, %.2f on %u processors", one, five,
                  fifteen, std::thread::hardware_concurrency());
    return text;
}
