// A main() for the fuzz targets where libFuzzer is not at hand (g++ builds): every input is
// given once to the target. Without arguments the inputs are the target's seed folder
// (fuzz/seeds/<program name>); arguments name files, or folders whose files are all taken.
// A target reports a fault by aborting, so a run that returns has passed; one that found no
// input at all fails, as it would otherwise pass having checked nothing.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

namespace fs = std::filesystem;

// A folder's files in name order, so every run feeds them alike.
bool AddInputs(const fs::path& path, std::vector<fs::path>& inputs) {
  std::error_code error;
  if (fs::is_regular_file(path, error)) {
    inputs.push_back(path);
    return true;
  }
  if (!fs::is_directory(path, error)) return false;
  std::vector<fs::path> files;
  for (const fs::directory_entry& entry : fs::directory_iterator(path, error)) {
    if (entry.is_regular_file(error)) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  inputs.insert(inputs.end(), files.begin(), files.end());
  return !error;
}

bool ReadInput(const fs::path& path, std::vector<uint8_t>& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<fs::path> given(argv + 1, argv + argc);
  if (given.empty()) given.push_back(fs::path(TOLVEN_FUZZ_SEEDS) / fs::path(argv[0]).filename());
  std::vector<fs::path> inputs;
  for (const fs::path& path : given) {
    if (!AddInputs(path, inputs)) {
      std::fprintf(stderr, "%s: no such file or folder\n", path.c_str());
      return 1;
    }
  }
  if (inputs.empty()) {
    std::fprintf(stderr, "no inputs in %s\n", given.front().c_str());
    return 1;
  }
  for (const fs::path& input : inputs) {
    std::vector<uint8_t> bytes;
    if (!ReadInput(input, bytes)) {
      std::fprintf(stderr, "%s: cannot be read\n", input.c_str());
      return 1;
    }
    // Named before it runs: a fault aborts the run with this as the last line.
    std::fprintf(stderr, "%s (%zu bytes)\n", input.c_str(), bytes.size());
    // A block of exactly the input's size, so the sanitizers catch a read past its end; as
    // under libFuzzer, never a null pointer, also for an empty input.
    const std::unique_ptr<uint8_t[]> data(new uint8_t[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), data.get());
    LLVMFuzzerTestOneInput(data.get(), bytes.size());
  }
  std::fprintf(stderr, "%zu inputs passed\n", inputs.size());
  return 0;
}
