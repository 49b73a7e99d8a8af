#pragma once

#include <dlfcn.h>

// Codec libraries are opened when a picture first needs them: libheif and libjxl, with the
// encoders and vector code they load in turn, made up a sixth of the time of a short search.
// Opened libraries stay loaded for the program's life.
inline void *OpenLazyLibrary(const char *file) { return dlopen(file, RTLD_NOW | RTLD_LOCAL); }

// Points `function` at `name` in `library`; false when the library lacks it.
template <typename Function> bool ResolveSymbol(void *library, const char *name, Function *&function)
{
    function = reinterpret_cast<Function *>(dlsym(library, name));
    return function != nullptr;
}

// Resolves the member of `api` named after the library function it points at.
#define QUORVANE_RESOLVE(library, api, name) ResolveSymbol(library, #name, (api).name)
