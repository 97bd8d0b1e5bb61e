// libFuzzer target: any bytes from the network as the online list.
//   cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DSORVIK_FUZZ=ON && cmake --build build-fuzz
//   build-fuzz/bin/online_list_fuzz -max_total_time=60
#include <cstddef>
#include <cstdint>
#include <string>

#include "model/UserStatus.h"
#include "site/MemoryLineSource.h"
#include "site/OnlineListReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    MemoryLineSource source(text);
    static OnlineListReader reader;
    UserList list;
    reader.Read(source, list);
    for (const auto& entry : list) {
        // What the reader promises whatever the input.
        const unsigned long s = entry.second.GetStatus();
        if (entry.first != entry.second.GetName() || entry.first.empty())
            __builtin_trap();
        if ((s != 0 && !(s & STATUS_ONLINE)) || (s & ~0x1FUL))
            __builtin_trap();
        if ((s & STATUS_PUBLIC) && (s & STATUS_PRIVATE))
            __builtin_trap();
        if ((s & STATUS_FREE) && (s & (STATUS_BUSY | STATUS_PUBLIC | STATUS_PRIVATE)))
            __builtin_trap();
    }
    return 0;
}
