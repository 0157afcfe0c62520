// A user of the installed development package: only <tessaline/...>
// headers, linked through pkg-config or the CMake package. Renders an
// EAN 13 symbol and checks what the library reports about it.
#include <tessaline/tessaline.hpp>
#include <tessaline/tessaline.h>

#include <cstdio>

int main()
{
    const tessaline::SymbolReport report = tessaline::Inspect("EAN 13", "590123412345");
    const tessaline::Image image = tessaline::Render("1", "590123412345");
    // 590123412345: the check digit is 7 (GS1 General Specifications 7.9.1).
    const bool ok = report.valid && report.checksum == 7 && image.bytes.size() > 8 && image.bytes[1] == 'P' &&
                    image.bytes[2] == 'N' && image.bytes[3] == 'G';
    std::printf("%s %s %d\n", tessaline::Version(), report.typeName.c_str(), report.checksum);
    return ok ? 0 : 1;
}
