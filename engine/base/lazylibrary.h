#pragma once

#include "engine/base/pictureerror.h"

#include <dlfcn.h>

#include <optional>
#include <string>

// Libraries opened when they are first needed rather than at every start: libheif and libjxl load
// encoders and vector code in turn, a large share of a short search that may decode nothing.
// Opened libraries stay loaded for the program's life.

// Points `function` at `name` in `library`; false when the library lacks it.
template <typename Function> bool ResolveSymbol(void *library, const char *name, Function *&function)
{
    function = reinterpret_cast<Function *>(dlsym(library, name));
    return function != nullptr;
}

// For a list macro LIST(X) that applies X to each function's name: a member per function, named
// after it, and the lookup of all of them in `library` into `api`.
#define QUORVANE_LAZY_MEMBER(name) decltype(&::name) name = nullptr;
#define QUORVANE_LAZY_RESOLVE(name) &&ResolveSymbol(library, #name, api.name)

// The functions of `Api` from the library at `file`, opened on the first call; `resolve` fills them
// in. Null when the library cannot be opened or lacks one.
template <typename Api> const Api *LoadedApi(const char *file, bool (*resolve)(void *library, Api &api))
{
    static const std::optional<Api> loaded = [&]() -> std::optional<Api> {
        Api api;
        void *const library = dlopen(file, RTLD_NOW | RTLD_LOCAL);
        if (library && resolve(library, api))
            return api;
        return std::nullopt;
    }();
    return loaded ? &*loaded : nullptr;
}

// LoadedApi for a picture decoder: when the library cannot be had, every call throws a TPictureError
// that names `format`, so that its pictures are skipped like unreadable ones.
template <typename Api>
const Api &LazyApi(const char *file, bool (*resolve)(void *library, Api &api), const char *format)
{
    if (const Api *api = LoadedApi(file, resolve))
        return *api;
    throw TPictureError(std::string(format) + ": " + file + " cannot be loaded");
}
