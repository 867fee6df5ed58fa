#include "FuzzChecks.h"

// FUZZ_CHECK names the check this binary runs.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return RunFuzzCheck(FUZZ_CHECK, data, size);
}
