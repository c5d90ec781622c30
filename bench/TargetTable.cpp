#include "TargetTable.h"

#include <cstdio>

void TargetTable::add(const std::string& measure, double figure, double limit,
                      const std::string& unit, const std::string& note)
{
    m_rows.push_back(Row{measure, figure, limit, unit, note});
}

int TargetTable::print(const std::string& title) const
{
    std::printf("\n%s\n", title.c_str());
    int missed = 0;
    for (const Row& row : m_rows) {
        const bool measured = row.figure > 0;
        const bool met = measured && row.figure <= row.limit;
        missed += met ? 0 : 1;
        char figure[32];
        if (measured)
            std::snprintf(figure, sizeof figure, "%.2f%s", row.figure, row.unit.c_str());
        else
            std::snprintf(figure, sizeof figure, "n/a");
        std::printf("  %-44s %10s  target <= %.2f%s  %-6s %s\n", row.measure.c_str(), figure,
                    row.limit, row.unit.c_str(), measured ? (met ? "met" : "MISSED") : "n/a",
                    row.note.c_str());
    }
    if (missed == 0)
        std::printf("  all %zu targets met\n", m_rows.size());
    else
        std::printf("  %d of %zu targets missed\n", missed, m_rows.size());
    return missed;
}
