#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

// The console report as usual, plus each run's CPU time per iteration kept for the summary
// (CPU time, not wall time: the machine is shared, and other load inflates wall time).
class SummaryReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& reports) override;

    // CPU seconds per iteration of `name` with argument `arg`, or a negative value if it did not
    // run.
    double Seconds(const std::string& name, std::size_t arg) const;

private:
    std::map<std::string, double> m_seconds;
};
