// Expectations recorded in text files under tests/data: a test compares what it produced
// with the file, and PLUVINA_UPDATE_GOLDEN=1 rewrites the file instead (read its diff before
// committing it).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

/// Each "case ..." line of the file and the lines after it until the next case: `run` gets
/// the case line and answers the text expected after it.
template <class Run> void expectCases(const std::string& file, Run run) {
    const std::string path = std::string(PLUVINA_TEST_DATA "/") + file;
    std::ifstream in(path);
    std::vector<std::pair<std::string, std::string>> cases;
    for (std::string line; std::getline(in, line);)
        if (line.rfind("case ", 0) == 0 || cases.empty())
            cases.emplace_back(line, "");
        else
            cases.back().second += line + "\n";
    ASSERT_FALSE(cases.empty()) << path;
    std::ostringstream all;
    for (const auto& [line, expected] : cases) {
        const std::string got = run(line);
        EXPECT_EQ(got, expected) << line;
        all << line << "\n" << got;
    }
    if (std::getenv("PLUVINA_UPDATE_GOLDEN"))
        std::ofstream(path) << all.str();
}
