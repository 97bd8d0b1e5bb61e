#include "app/LoadedLibrary.h"

#include <dlfcn.h>

void LoadedLibrary::KeepForever(const void* symbol, bool alreadyLoaded)
{
    Dl_info info;
    if (::dladdr(symbol, &info) && info.dli_fname)
        ::dlopen(info.dli_fname, RTLD_NOW | RTLD_NODELETE | (alreadyLoaded ? RTLD_NOLOAD : 0));
}
