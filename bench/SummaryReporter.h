#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

// The console report as usual, plus each run's time per iteration kept for the summary.
class SummaryReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& reports) override;

    // Seconds per iteration of the named run ("Read/10000"), or a negative value if it did not run.
    double Seconds(const std::string& name) const;

private:
    std::map<std::string, double> m_seconds;
};
