#pragma once

#include <string>
#include <vector>

// The targets of one benchmark: each line the figure, the limit and whether it is met; at the
// end how many were missed.
class TargetTable
{
public:
    // `figure` and `limit` in the same unit, shown with `unit` ("x", " s"); a figure of zero or
    // less means it could not be measured.
    void add(const std::string& measure, double figure, double limit, const std::string& unit,
             const std::string& note = {});
    // Prints the table; returns the number of targets missed or not measured.
    int print(const std::string& title) const;

private:
    struct Row
    {
        std::string measure;
        double figure;
        double limit;
        std::string unit;
        std::string note;
    };
    std::vector<Row> m_rows;
};
