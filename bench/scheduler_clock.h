// Processor time of a Windows program running under Wine, as the Linux scheduler counts it for
// the program's process, to the nanosecond. Under Wine, GetProcessTimes counts whole 10 ms clock
// ticks: too coarse to tell an idle program from one that wakes now and then.
#pragma once

#include <string>

namespace veskor::bench {

class SchedulerClock {
public:
    // Finds the one Linux process of this Wine session (same WINEPREFIX) whose command line
    // starts with the program of this file name. False where there is no such view (on Windows)
    // or more than one such process.
    bool Find(const std::string& programFileName);

    // Time on a processor, summed over all the process's threads; -1 when unknown.
    double ProcessorMs() const;
    // The process's folder under /proc, as a Windows path; empty before Find.
    const std::string& Folder() const { return processFolder_; }

private:
    std::string processFolder_; // the process's folder under /proc, as a Windows path
};

} // namespace veskor::bench
