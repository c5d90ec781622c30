#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

// Times operations of one process in rounds: each round runs every operation once (as a batch
// of calls long enough to time well), in an order that turns from round to round. A change in
// the machine's load during the run then falls on the measured code and on its baselines alike.
// Figures are medians over the rounds, and a ratio is the median of the rounds' own ratios.
//
// Times are CPU time of the process (other programs' load inflates wall time far more), and
// wall time beside it.
class InterleavedRuns
{
public:
    struct Figure
    {
        double cpu = 0;  // seconds per call
        double wall = 0; // seconds per call
    };

    explicit InterleavedRuns(int rounds = 7, double batchSeconds = 0.05)
        : m_rounds(rounds), m_batchSeconds(batchSeconds)
    {}

    // The process's CPU time and the steady clock, in seconds: what a self-timed operation
    // takes its figures from.
    static Figure now();

    // `operation` returns false when it failed; its figures are then left out.
    void add(const std::string& name, std::function<bool()> operation);
    // The same for an operation that times itself (leaving out its setup or teardown): it
    // returns its time, or nothing when it failed.
    void addTimed(const std::string& name, std::function<std::optional<Figure>()> operation);
    // Runs every round. False when an operation failed (its name is on stderr).
    bool run();

    int rounds() const { return m_rounds; }
    // Median per call; zero for an operation that never ran.
    Figure median(const std::string& name) const;
    // Median over the rounds of `name`'s CPU time over `baseline`'s; zero if either never ran.
    double ratio(const std::string& name, const std::string& baseline) const;
    // The smallest and largest of those rounds' ratios, to show how much they scattered.
    std::pair<double, double> ratioRange(const std::string& name,
                                         const std::string& baseline) const;

    // How busy the machine is: the load averages and the number of processors.
    static std::string machineLoad();

private:
    struct Operation
    {
        std::string name;
        std::function<std::optional<Figure>()> run;
        int batch = 1; // calls per round
        std::vector<Figure> rounds;
    };

    const Operation* find(const std::string& name) const;
    std::vector<double> roundRatios(const std::string& name, const std::string& baseline) const;

    int m_rounds;
    double m_batchSeconds;
    std::vector<Operation> m_operations;
};
