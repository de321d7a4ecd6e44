// The figures of the benchmark: series of samples, program/anchor pairs, and the printed table.
#pragma once

#include <string>
#include <vector>

namespace benchrun {

struct Series {
    std::vector<double> values;
    void add(double v); // a missing sample (NaN) is left out
    double median() const;
    double min() const;
    double max() const;
};

// A figure measured on the program and on its anchor, sample by sample in turn.
struct Pair {
    Series program;
    Series anchor;
    Series ratios;
    void add(double p, double a);
};

// A number with thousands separators; "n/a" for a missing one.
std::string number(double v, int decimals);
// "median (min–max)" of the series.
std::string spread(const Series& s, int decimals);
// The program's median over the anchor's, with the per-sample ratios' range.
std::string ratioText(const Pair& p, int decimals, const char* suffix = "");
double ratioOfMedians(const Pair& p);
std::string verdict(bool met);

struct Row {
    std::string figure, program, anchor, ratio, goal;
};
void printTable(const std::vector<Row>& rows);

} // namespace benchrun
