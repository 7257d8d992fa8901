#pragma once
// The time each slice of a download took, for the download benchmarks' tools: a tool marks the
// moments between slices, and prints the spread of the intervals.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

class SliceTimes {
public:
    using Clock = std::chrono::steady_clock;

    // Room for every mark of a download, reserved before the memory baseline is taken.
    explicit SliceTimes(std::size_t expectedMarks) { marks_.reserve(expectedMarks); }

    void Mark() { marks_.push_back(Clock::now()); }
    void Mark(Clock::time_point at) { marks_.push_back(at); }
    // Forgets the last mark (one that ends no slice).
    void DropLast() {
        if (!marks_.empty()) marks_.pop_back();
    }

    // "slices=N slice_ms_mean=... slice_ms_median=... slice_ms_p90=... slice_ms_max=...": the
    // intervals between consecutive marks.
    void Print(std::FILE* out) const {
        std::vector<double> ms;
        for (std::size_t i = 1; i < marks_.size(); ++i)
            ms.push_back(std::chrono::duration<double, std::milli>(marks_[i] - marks_[i - 1]).count());
        std::sort(ms.begin(), ms.end());
        double sum = 0;
        for (double value : ms) sum += value;
        auto at = [&](double fraction) {
            return ms.empty() ? 0.0 : ms[static_cast<std::size_t>(fraction * (ms.size() - 1))];
        };
        std::fprintf(out, "slices=%zu slice_ms_mean=%.3f slice_ms_median=%.3f slice_ms_p90=%.3f slice_ms_max=%.3f",
                     ms.size(), ms.empty() ? 0.0 : sum / static_cast<double>(ms.size()), at(0.5), at(0.9),
                     ms.empty() ? 0.0 : ms.back());
    }

private:
    std::vector<Clock::time_point> marks_;
};
