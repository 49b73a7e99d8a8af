#pragma once

#include "engine/pictureerror.h"

#include <dlfcn.h>

#include <optional>
#include <string>

// Codec libraries are opened when a picture first needs them: libheif and libjxl, with the
// encoders and vector code they load in turn, made up a sixth of the time of a short search.
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
// in. When the library cannot be opened or lacks one, every call throws a TPictureError that names
// `format`, so that its pictures are skipped like unreadable ones.
template <typename Api>
const Api &LazyApi(const char *file, bool (*resolve)(void *library, Api &api), const char *format)
{
    static const std::optional<Api> loaded = [&]() -> std::optional<Api> {
        Api api;
        void *const library = dlopen(file, RTLD_NOW | RTLD_LOCAL);
        if (library && resolve(library, api))
            return api;
        return std::nullopt;
    }();
    if (!loaded)
        throw TPictureError(std::string(format) + ": " + file + " cannot be loaded");
    return *loaded;
}
