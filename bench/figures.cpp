#include "figures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace benchrun {

void Series::add(double v) {
    if (!std::isnan(v))
        values.push_back(v);
}

double Series::median() const {
    if (values.empty())
        return NAN;
    std::vector<double> v = values;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double Series::min() const {
    return values.empty() ? NAN : *std::min_element(values.begin(), values.end());
}

double Series::max() const {
    return values.empty() ? NAN : *std::max_element(values.begin(), values.end());
}

void Pair::add(double p, double a) {
    program.add(p);
    anchor.add(a);
    if (!std::isnan(p) && !std::isnan(a) && a != 0)
        ratios.add(p / a);
}

std::string number(double v, int decimals) {
    if (std::isnan(v))
        return "n/a";
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    std::string s = text;
    // Thousands separators for the whole part.
    const size_t dot = s.find('.');
    size_t whole = dot == std::string::npos ? s.size() : dot;
    const size_t first = s[0] == '-' ? 1 : 0;
    while (whole > first + 3) {
        whole -= 3;
        s.insert(whole, ",");
    }
    return s;
}

std::string spread(const Series& s, int decimals) {
    if (s.values.empty())
        return "n/a";
    return number(s.median(), decimals) + " (" + number(s.min(), decimals) + "–" +
           number(s.max(), decimals) + ")";
}

namespace {

size_t displayWidth(const std::string& s) {
    size_t n = 0;
    for (unsigned char c : s)
        n += (c & 0xC0) != 0x80;
    return n;
}

std::string pad(const std::string& s, size_t width) {
    const size_t w = displayWidth(s);
    return w >= width ? s : s + std::string(width - w, ' ');
}

} // namespace

void printTable(const std::vector<Row>& rows) {
    const Row head{"figure", "program", "anchor", "ratio", "goal"};
    size_t w[5] = {};
    auto widen = [&w](const Row& r) {
        const std::string* cells[5] = {&r.figure, &r.program, &r.anchor, &r.ratio, &r.goal};
        for (int i = 0; i < 5; ++i)
            w[i] = std::max(w[i], displayWidth(*cells[i]));
    };
    widen(head);
    for (const Row& r : rows)
        widen(r);
    auto line = [&w](const Row& r) {
        std::printf("%s  %s  %s  %s  %s\n", pad(r.figure, w[0]).c_str(),
                    pad(r.program, w[1]).c_str(), pad(r.anchor, w[2]).c_str(),
                    pad(r.ratio, w[3]).c_str(), r.goal.c_str());
    };
    line(head);
    std::printf("%s\n", std::string(w[0] + w[1] + w[2] + w[3] + w[4] + 8, '-').c_str());
    for (const Row& r : rows)
        line(r);
}

std::string verdict(bool met) {
    return met ? "  met" : "  NOT met";
}

std::string ratioText(const Pair& p, int decimals, const char* suffix) {
    const double r = p.program.median() / p.anchor.median();
    if (std::isnan(r) || std::isinf(r))
        return "–";
    return number(r, decimals) + suffix + " (" + number(p.ratios.min(), decimals) + "–" +
           number(p.ratios.max(), decimals) + ")";
}

double ratioOfMedians(const Pair& p) {
    return p.program.median() / p.anchor.median();
}

} // namespace benchrun
