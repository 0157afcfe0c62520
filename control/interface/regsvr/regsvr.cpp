// tessaline-regsvr: registers or unregisters a component library by calling
// its DllRegisterServer or DllUnregisterServer.
//
//   tessaline-regsvr [-u] [-s] [--system | --prefix DIR] LIBRARY
//
// Registration writes $TESSALINE_REGISTRY, else the user's registry. With
// --system it writes the system registry of the installation this program
// belongs to (PREFIX/share/tessaline/registry.ini, PREFIX being the
// directory above its bin/), or with --prefix that of DIR: the registry
// every user's hosts find after their own.
//
// Exit status: 0 success; 1 the library cannot be loaded, lacks the entry
// point, or reports a failure; 2 usage error.
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <string>
#include <fstream>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using HRESULT = int32_t;
using EntryPoint = HRESULT (*)();

// The data directory relative to the installation prefix, as installed.
#ifndef TESSALINE_INSTALL_DATADIR
#define TESSALINE_INSTALL_DATADIR "share"
#endif
#ifndef TESSALINE_INSTALL_PREFIX
#define TESSALINE_INSTALL_PREFIX "/usr/local"
#endif

// The installation prefix of this program: the directory above its own
// (the configured prefix where the program cannot tell).
std::string OwnPrefix()
{
    char buffer[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return TESSALINE_INSTALL_PREFIX;
    std::string path(buffer, size_t(n));
    for (int i = 0; i < 2; ++i) {
        const size_t slash = path.rfind('/');
        path = slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
    }
    return path;
}

// The system registry under `prefix` ("" for this program's own).
std::string SystemRegistry(std::string prefix)
{
    const std::string data = TESSALINE_INSTALL_DATADIR;
    if (data.front() != '/') {
        if (prefix.empty())
            prefix = OwnPrefix();
        while (prefix.size() > 1 && prefix.back() == '/')
            prefix.pop_back();
        return (prefix == "/" ? "" : prefix) + "/" + data + "/tessaline/registry.ini";
    }
    return data + "/tessaline/registry.ini";
}

// A registry file left without any entry goes, and its directory with it
// when that is empty, so that removing the last library leaves nothing.
void RemoveIfEmpty(const std::string& file)
{
    std::ifstream in(file);
    if (!in)
        return;
    std::string line;
    while (std::getline(in, line))
        if (line.find_first_not_of(" \t\r") != std::string::npos)
            return;
    in.close();
    if (std::remove(file.c_str()) == 0) {
        const size_t slash = file.rfind('/');
        if (slash != std::string::npos && slash > 0)
            rmdir(file.substr(0, slash).c_str());
    }
}

int Usage()
{
    std::fprintf(stderr, "usage: tessaline-regsvr [-u] [-s] [--system | --prefix DIR] LIBRARY\n"
                         "  -u            unregister instead of register\n"
                         "  -s            silent: no message on success\n"
                         "  --system      the system registry of this installation\n"
                         "                (%s)\n"
                         "  --prefix DIR  the system registry of the installation under DIR\n",
                 SystemRegistry("").c_str());
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
    bool unregister = false, silent = false, system = false;
    std::string prefix;
    const char* library = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-u") == 0)
            unregister = true;
        else if (std::strcmp(argv[i], "-s") == 0)
            silent = true;
        else if (std::strcmp(argv[i], "--system") == 0)
            system = true;
        else if (std::strcmp(argv[i], "--prefix") == 0 || std::strncmp(argv[i], "--prefix=", 9) == 0) {
            if (argv[i][8] == '=')
                prefix = argv[i] + 9;
            else if (i + 1 < argc)
                prefix = argv[++i];
            if (prefix.empty() || prefix.front() != '/') {
                std::fprintf(stderr, "tessaline-regsvr: --prefix needs an absolute directory\n");
                return 2;
            }
            system = true;
        }
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

    // The library registers itself in the file $TESSALINE_REGISTRY names.
    std::string registry;
    if (system) {
        registry = SystemRegistry(prefix);
        setenv("TESSALINE_REGISTRY", registry.c_str(), 1);
    }

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
    if (system && unregister)
        RemoveIfEmpty(registry);
    if (!silent)
        std::printf("%s in %s succeeded.\n", name, library);
    return 0;
}
