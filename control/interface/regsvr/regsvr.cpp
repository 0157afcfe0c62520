// tessaline-regsvr: registers or unregisters a component library by calling
// its DllRegisterServer or DllUnregisterServer.
//
//   tessaline-regsvr [-u] [-s] LIBRARY
//
// Exit status: 0 success; 1 the library cannot be loaded, lacks the entry
// point, or reports a failure; 2 usage error.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <string>
#include <sys/stat.h>

namespace {

using HRESULT = int32_t;
using EntryPoint = HRESULT (*)();

int Usage()
{
    std::fprintf(stderr, "usage: tessaline-regsvr [-u] [-s] LIBRARY\n"
                         "  -u  unregister instead of register\n"
                         "  -s  silent: no message on success\n");
    return 2;
}

const char* Describe(HRESULT hr)
{
    switch (uint32_t(hr)) {
    case 0x80040200u: return "the type library could not be registered";
    case 0x80040201u: return "the class could not be registered";
    default: return "the library reported a failure";
    }
}

} // namespace

int main(int argc, char** argv)
{
    bool unregister = false, silent = false;
    const char* library = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-u") == 0)
            unregister = true;
        else if (std::strcmp(argv[i], "-s") == 0)
            silent = true;
        else if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
            Usage();
            return 0;
        } else if (argv[i][0] == '-' || library)
            return Usage();
        else
            library = argv[i];
    }
    if (!library)
        return Usage();

    // A name without a directory is a file here, not one to look up on the
    // library path.
    std::string path = library;
    struct stat st {};
    if (path.find('/') == std::string::npos && stat(path.c_str(), &st) == 0)
        path = "./" + path;

    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        std::fprintf(stderr, "tessaline-regsvr: cannot load %s: %s\n", library, why ? why : "unknown error");
        return 1;
    }
    const char* name = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    const auto entry = reinterpret_cast<EntryPoint>(dlsym(handle, name));
    if (!entry) {
        std::fprintf(stderr, "tessaline-regsvr: %s has no entry point %s\n", library, name);
        return 1;
    }
    const HRESULT hr = entry();
    if (hr < 0) {
        std::fprintf(stderr, "tessaline-regsvr: %s in %s failed (0x%08X): %s\n", name, library, unsigned(hr),
                     Describe(hr));
        return 1;
    }
    if (!silent)
        std::printf("%s in %s succeeded.\n", name, library);
    return 0;
}
