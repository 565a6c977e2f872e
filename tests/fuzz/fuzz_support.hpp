// Helpers shared by the fuzz targets: a private scratch folder, files, and the check that
// stops the process when a property of the program does not hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// libFuzzer's entry point, also called by the replay program of the test suite.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

// A failed check aborts: libFuzzer keeps the input as a crash, the replay test fails.
#define PELVANO_FUZZ_CHECK(cond) \
  ((cond) ? static_cast<void>(0) : ::pelvano::fuzz::fail(#cond, __FILE__, __LINE__))

namespace pelvano::fuzz {

[[noreturn]] void fail(const char* what, const char* file, int line);

// A folder of this process only (in /dev/shm when there is one), emptied and removed at exit.
const std::string& scratch();

// Writes the bytes as the whole content of the file.
void write_bytes(const std::string& name, std::string_view bytes);

// Names of the entries of a folder, sorted.
std::vector<std::string> entries(const std::string& folder);

// Removes every entry of the scratch folder.
void clear_scratch();

// A stream that discards what is written to it, for the program's console.
std::FILE* null_stream();

}  // namespace pelvano::fuzz
