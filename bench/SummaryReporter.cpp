#include "SummaryReporter.h"

void SummaryReporter::ReportRuns(const std::vector<Run>& reports)
{
    ConsoleReporter::ReportRuns(reports);
    for (const Run& run : reports) {
        if (run.error_occurred || run.iterations == 0 || run.run_type != Run::RT_Iteration)
            continue;
        m_seconds[run.run_name.function_name + "/" + run.run_name.args] =
            run.cpu_accumulated_time / static_cast<double>(run.iterations);
    }
}

double SummaryReporter::Seconds(const std::string& name, std::size_t arg) const
{
    std::string key = name;
    key += '/';
    key += std::to_string(arg);
    const auto it = m_seconds.find(key);
    return it == m_seconds.end() ? -1.0 : it->second;
}
