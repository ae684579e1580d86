#pragma once

#include <cstdio>
#include <string>

namespace clitest {

// Everything written to file so far, from its start.
inline std::string readAll(std::FILE* file) {
    std::string text;
    std::rewind(file);
    char chunk[4096];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, got);
    return text;
}

}  // namespace clitest
