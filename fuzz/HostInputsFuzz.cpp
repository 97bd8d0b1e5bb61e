// libFuzzer target: any bytes as the message catalogue and as the settings file the host checks
// before the toolkit reads them.
//   cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DSORVIK_FUZZ=ON && cmake --build build-fuzz
//   build-fuzz/bin/host_inputs_fuzz -max_total_time=60
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/CatalogueCheck.h"
#include "SettingsFileCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string problem = CatalogueCheck::Problem(bytes);
    // A refusal says why in one short line, whatever the catalogue holds.
    if (problem.find('\n') != std::string::npos || problem.size() > 200)
        std::abort();
    SettingsFileCheck::LooksLikeSettings(bytes);
    CatalogueCheck::Conversions(bytes);
    return 0;
}
