// The harness shared by the fuzz targets. Under libFuzzer it calls LLVMFuzzerTestOneInput
// with generated inputs; otherwise main() replays the files (or folders of files) named on
// its command line, which is how the test suite runs the committed corpus.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

// A failed check aborts: libFuzzer keeps the input as a crash, the replay fails.
#define PELVANO_FUZZ_CHECK(cond) \
  ((cond) ? static_cast<void>(0) : ::pelvano::fuzz::fail(#cond, __FILE__, __LINE__))

namespace pelvano::fuzz {

[[noreturn]] void fail(const char* what, const char* file, int line);

// A folder of this process only, emptied by clear_scratch and removed at exit.
const std::string& scratch();
void clear_scratch();

void write_bytes(const std::string& name, std::string_view bytes);

// Names of the entries of a folder, sorted.
std::vector<std::string> entries(const std::string& folder);

// Where the program's console output goes.
std::FILE* null_stream();

}  // namespace pelvano::fuzz
