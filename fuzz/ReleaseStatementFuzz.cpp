// libFuzzer target: any bytes from the update service as a release statement.
//   build-fuzz/bin/release_statement_fuzz -max_total_time=60
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

#include "net/ReleaseStatement.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    ReleaseStatement statement;
    if (!ReleaseStatement::Parse(text, statement).empty())
        return 0;
    // What a statement that reads promises: its four files, and no signature made by chance.
    for (const char* type : {"plugin", "skin", "mo", "manifest"})
        if (!statement.File(type) || statement.File(type)->sha256.size() != 64)
            __builtin_trap();
    if (statement.Verify(ReleaseStatement::BuiltInKeys(), std::time(nullptr)).empty())
        __builtin_trap();
    statement.Matches("plugin", text);
    return 0;
}
