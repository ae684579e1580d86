#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace clitest {

// Keeps a JSON report the program printed in the folder QOR_REPORT_DIR, named after the test,
// for the test that checks every one against the report's schema. An empty folder name (a
// build whose programs cannot reach it) keeps nothing.
inline void keepReport(const std::string& text) {
    const std::string folder = QOR_REPORT_DIR;
    if (folder.empty() || text.empty()) return;
    static int kept = 0;
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = test ? std::string(test->test_suite_name()) + "." + test->name() : "report";
    for (char& c : name) {
        if (c == '/') c = '_';
    }
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    const std::string path = folder + "/" + name + "-" + std::to_string(++kept) + ".json";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << "cannot keep the report in " << path;
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
}

}  // namespace clitest
