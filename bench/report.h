// The bench's table: each figure beside its floor and its target.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace veskor::bench {

struct ReportRow {
    std::string measure;
    std::string veskor;
    std::string floor;
    std::string ratio;
    std::string target;
    std::string result; // "met", "missed", or empty where there is no target
};

void PrintTable(const std::vector<ReportRow>& rows);

// Formatting of figures for the table.
std::string Milliseconds(double value);
std::string Mebibytes(std::size_t bytes);
std::string Kibibytes(std::size_t bytes);
std::string SignedKibibytes(long long bytes);
std::string Ratio(double value, double floor);
std::string Verdict(bool met);

} // namespace veskor::bench
