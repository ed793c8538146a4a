// Summaries of repeated measurements.
#pragma once

#include <vector>

namespace veskor::bench {

// The middle value (the mean of the two middle values for an even count); 0 for no values.
double Median(std::vector<double> values);

// The nearest-rank percentile: the smallest value with at least `fraction` of all values at or
// below it; 0 for no values.
double Percentile(std::vector<double> values, double fraction);

} // namespace veskor::bench
