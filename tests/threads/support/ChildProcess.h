#pragma once
// Starts vol_threads_child (built next to the test) with a scenario and extra environment
// variables, and collects what it wrote.

#include <string>
#include <utility>
#include <vector>

struct ChildResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

using Environment = std::vector<std::pair<std::string, std::string>>;

ChildResult RunThreadsChild(const std::string& scenario, const Environment& environment);
