#include "SummaryReporter.h"

void SummaryReporter::ReportRuns(const std::vector<Run>& reports)
{
    ConsoleReporter::ReportRuns(reports);
    for (const Run& run : reports) {
        if (run.error_occurred || run.iterations == 0 || run.run_type != Run::RT_Iteration)
            continue;
        m_seconds[run.run_name.function_name + "/" + run.run_name.args] =
            run.real_accumulated_time / static_cast<double>(run.iterations);
    }
}

double SummaryReporter::Seconds(const std::string& name) const
{
    const auto it = m_seconds.find(name);
    return it == m_seconds.end() ? -1.0 : it->second;
}
