// Writes the program's 32 x 32 icon as PNG files for the icon theme, one per
// size asked, each a whole multiple of 32: export_icon OUTPUT_FOLDER SIZE...
// writes OUTPUT_FOLDER/SIZE/quodlet.png.

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "data/icon.h"
#include "packaging/png_image.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: quodlet_export_icon OUTPUT_FOLDER SIZE...\n");
        return 2;
    }
    const Picture icon = ProgramIcon();
    for (int i = 2; i < argc; ++i) {
        const std::string size = argv[i];
        int factor = 0;
        try {
            const int pixels = std::stoi(size);
            factor = pixels % icon.width == 0 ? pixels / icon.width : 0;
        } catch (const std::exception&) {
        }
        if (factor < 1) {
            std::fprintf(stderr, "quodlet_export_icon: %s is not a multiple of %d\n", size.c_str(),
                         icon.width);
            return 2;
        }
        const std::filesystem::path folder = std::filesystem::path(argv[1]) / size;
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        std::string why;
        if (error || !WriteFileBytes((folder / "quodlet.png").string(),
                                     EncodePng(EnlargePicture(icon, factor)), why)) {
            std::fprintf(stderr, "quodlet_export_icon: %s\n",
                         error ? error.message().c_str() : why.c_str());
            return 1;
        }
    }
    return 0;
}
