// tunvex-make-library OUTPUT_FOLDER COUNT [SEED]: writes a tagged music library of COUNT files for
// benchmarks and demos; the same arguments give the same bytes.
#include <charconv>
#include <cstdint>
#include <exception>
#include <iostream>
#include <string>
#include <string_view>

#include "library_plan.h"
#include "write_entry.h"

namespace {

constexpr uint64_t kDefaultSeed = 2024;

template <typename Number>
bool ParseNumber(std::string_view text, Number& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tunvex::bench;
    int count = 0;
    uint64_t seed = kDefaultSeed;
    if (argc < 3 || argc > 4 || !ParseNumber(argv[2], count) || count < 0 ||
        (argc == 4 && !ParseNumber(argv[3], seed))) {
        std::cerr << "usage: tunvex-make-library OUTPUT_FOLDER COUNT [SEED]\n";
        return 2;
    }
    const std::string root = argv[1];
    try {
        LibraryPlanner planner(seed, count);
        int written = 0;
        int audio = 0;
        while (written < count) {
            for (const LibraryEntry& entry : planner.NextGroup()) {
                if (written == count) {
                    break;
                }
                WriteEntry(root, entry);
                ++written;
                audio += entry.kind != FileKind::CoverImage && entry.kind != FileKind::Notes;
            }
        }
        std::cout << written << " files, " << audio << " audio, " << written - audio
                  << " other, in " << root << "\n";
    } catch (const std::exception& error) {
        std::cerr << "tunvex-make-library: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
