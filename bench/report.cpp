// Printing the bench's table in aligned columns.
#include "report.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace veskor::bench {
namespace {

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

} // namespace

void PrintTable(const std::vector<ReportRow>& rows) {
    const ReportRow heading{"Measure", "Veskor", "Floor", "Ratio", "Target", "Result"};
    auto fields = [](const ReportRow& row) {
        return std::array<const std::string*, 6>{&row.measure, &row.veskor, &row.floor,
                                                 &row.ratio,   &row.target, &row.result};
    };
    std::array<size_t, 6> widths{};
    for (const ReportRow* row : {&heading}) {
        for (size_t column = 0; column < widths.size(); ++column) {
            widths[column] = fields(*row)[column]->size();
        }
    }
    for (const ReportRow& row : rows) {
        for (size_t column = 0; column < widths.size(); ++column) {
            widths[column] = std::max(widths[column], fields(row)[column]->size());
        }
    }
    auto print = [&](const ReportRow& row) {
        std::string line;
        for (size_t column = 0; column < widths.size(); ++column) {
            const std::string& text = *fields(row)[column];
            line.append("| ").append(text).append(widths[column] - text.size() + 1, ' ');
        }
        std::printf("%s|\n", line.c_str());
    };
    print(heading);
    std::string rule;
    for (size_t width : widths) {
        rule.append("|").append(width + 2, '-');
    }
    std::printf("%s|\n", rule.c_str());
    for (const ReportRow& row : rows) {
        print(row);
    }
    std::fflush(stdout);
}

std::string Milliseconds(double value) {
    return Format(value < 10 ? "%.3f ms" : value < 1000 ? "%.1f ms" : "%.0f ms", value);
}

std::string Mebibytes(std::size_t bytes) {
    return Format("%.1f MiB", static_cast<double>(bytes) / (1024.0 * 1024.0));
}

std::string Kibibytes(std::size_t bytes) {
    return Format("%.0f KiB", static_cast<double>(bytes) / 1024.0);
}

std::string SignedKibibytes(long long bytes) {
    return Format("%+.0f KiB", static_cast<double>(bytes) / 1024.0);
}

std::string Ratio(double value, double floor) {
    return floor > 0 ? Format("%.2fx", value / floor) : "-";
}

std::string Verdict(bool met) {
    return met ? "met" : "missed";
}

} // namespace veskor::bench
