// libFuzzer target: any bytes as a skin archive, read by the update's check and by the skin store
// as the program reads the skin beside it (the ZIP's directory, every entry, every image header).
//   cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DSORVIK_FUZZ=ON && cmake --build build-fuzz
//   build-fuzz/bin/skin_archive_fuzz -max_total_time=60 -rss_limit_mb=300
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>
#include <wx/init.h>

#include "net/PluginUpdate.h"
#include "skin/ResourceManager.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static wxInitializer toolkit;
    static const std::string path = "/tmp/skin-archive-fuzz-" + std::to_string(::getpid()) + ".skin";
    if (FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
    const wxString name = wxString::FromUTF8(path.c_str());
    const std::string problem = PluginUpdate::SkinProblem(name);
    if (problem.find('\n') != std::string::npos)
        std::abort();
    ResourceManager skin(name);
    // Whatever the archive says, the store holds no more images than its bytes could describe.
    if (skin.GetImageCount() > size / 22 + 1)
        std::abort();
    return 0;
}
