// Renders barcodes with Tessaline's C++ API: the symbol's report, an image
// in memory, and files.
//
//   render_cpp OUTPUT_DIR [TYPE TEXT]...
//
// Writes OUTPUT_DIR/N.png for each TYPE TEXT pair (default: an EAN 13 and a
// Code 128 symbol) and OUTPUT_DIR/N.svg beside it. A refused text is
// reported with its reason and the others are still written.
//
// Exit status: 0 every symbol written; 1 one was refused; 2 usage error.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include <tessaline/tessaline.hpp>

int main(int argc, char** argv)
{
    if (argc < 2 || argc % 2 != 0) {
        std::fprintf(stderr, "usage: render_cpp OUTPUT_DIR [TYPE TEXT]...\n");
        return 2;
    }
    const std::string dir = argv[1];
    std::vector<std::string> jobs(argv + 2, argv + argc);
    if (jobs.empty()) jobs = {"EAN 13", "590123412345", "Code 128", "Tessaline C++"};

    tessaline::RenderOptions options;
    options.module = 3;
    options.fontPoints = 10;
    int status = 0;
    for (size_t i = 0; i < jobs.size(); i += 2) {
        const std::string& type = jobs[i];
        const std::string& text = jobs[i + 1];
        const std::string name = dir + "/" + std::to_string(i / 2 + 1);
        try {
            const tessaline::SymbolReport report = tessaline::Inspect(type, text, options);
            std::printf("%s\n", report.ToJson().c_str());
            // Bytes in memory, written by the program itself ...
            const tessaline::Image png = tessaline::Render(type, text, tessaline::Format::Png, options);
            std::ofstream(name + ".png", std::ios::binary)
                .write(reinterpret_cast<const char*>(png.bytes.data()), std::streamsize(png.bytes.size()));
            // ... or a file written by the library, the format from its name.
            tessaline::Save(name + ".svg", type, text, options);
            std::printf("wrote %s.png (%dx%d) and %s.svg\n", name.c_str(), png.width, png.height, name.c_str());
        } catch (const tessaline::CRenderError& e) {
            std::fprintf(stderr, "render_cpp: %s\n", e.what());
            status = e.Kind() == tessaline::ErrorKind::Usage ? 2 : 1;
        }
    }
    return status;
}
