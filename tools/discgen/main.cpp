// discgen DISCS_DIR CDDB_DIR
// discgen --long MINUTES DISCS_DIR
// Builds the demo disc, the mixed-mode, enhanced, one-track and contents test images (CUE/BIN, and
// each as cdrdao writes it: a TOC over a big-endian data file) in DISCS_DIR and the demo disc's
// xmcd entry under CDDB_DIR. The output depends on nothing but this program: the same bytes on
// every run. --long writes only the benchmarks' long album.

#include "disc_layout.h"
#include "image_writer.h"
#include "xmcd_writer.h"

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>

int main(int argc, char **argv)
{
    if (argc == 4 && std::string(argv[1]) == "--long") {
        const int minutes = std::atoi(argv[2]);
        if (minutes < 1 || minutes > 79) {
            std::cerr << "discgen: --long takes 1 to 79 minutes\n";
            return 2;
        }
        try {
            std::filesystem::create_directories(argv[3]);
            discgen::WriteImage(discgen::LongDisc(minutes), argv[3]);
        } catch (const std::exception &error) {
            std::cerr << "discgen: " << error.what() << "\n";
            return 1;
        }
        return 0;
    }
    if (argc != 3) {
        std::cerr << "usage: discgen DISCS_DIR CDDB_DIR | discgen --long MINUTES DISCS_DIR\n";
        return 2;
    }
    try {
        const std::filesystem::path discs = argv[1];
        std::filesystem::create_directories(discs);
        for (const discgen::Disc &disc :
             {discgen::DemoDisc(), discgen::MixedModeDisc(), discgen::EnhancedDisc(), discgen::OneTrackDisc(),
              discgen::ContentsDisc()}) {
            discgen::WriteImage(disc, discs);
            discgen::WriteCdrdaoToc(disc, discs, false);
        }
        discgen::WriteCdrdaoToc(discgen::ContentsDisc(), discs, true);
        discgen::WriteXmcd(discgen::DemoDisc(), discgen::DemoDiscMetadata(), argv[2]);
    } catch (const std::exception &error) {
        std::cerr << "discgen: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
