// Whole files as bytes, for tests and benchmarks that build or compare files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvi::testing {

// Empty when the file cannot be read.
std::vector<uint8_t> ReadFileBytes(const std::wstring& path);

// Replaces the file; false when it cannot be written in full.
bool WriteFileBytes(const std::wstring& path, const std::vector<uint8_t>& bytes);

}  // namespace korvi::testing
