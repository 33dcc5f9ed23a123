#include "FuzzSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "TestSupport.h"
#include "core/Clock.h"
#include "formats/FamilyTable.h"

namespace velmar::fuzz {

namespace fs = std::filesystem;

namespace {

// The scratch folder of this process, with a fixed clock so a replay stamps the same dates.
const fs::path& scratch() {
    static const test::TempDir folder;
    static const bool clockFixed = (setClock([] { return std::int64_t{1700000000}; }), true);
    (void)clockFixed;
    return folder.path();
}

// An empty folder of the scratch folder.
fs::path freshFolder(const char* name) {
    const fs::path folder = scratch() / name;
    std::error_code error;
    fs::remove_all(folder, error);
    fs::create_directory(folder, error);
    expect(!error, "cannot prepare the scratch folder");
    return folder;
}

// Reads each file into the one database, as a set is read; the first failure, else 0.
ResultCode readFiles(FamilyReader reader, const std::vector<std::string>& paths,
                     NavDatabase* database) {
    for (const std::string& path : paths) {
        if (const ResultCode read = reader(path.c_str(), database, nullptr); read != kOk) {
            return read;
        }
    }
    return kOk;
}

// Writes a copy of the database with every family's writer and reads the output set back with
// the same family's reader; both must succeed.
void writeToEveryFamily(const NavDatabase& database) {
    std::vector<FamilyWriter> done;
    for (int index = 0; index < kFamilyCount; ++index) {
        const FormatFamily* family = formatFamily(index);
        if (index == kSeries66 || std::count(done.begin(), done.end(), family->writer) != 0) {
            continue; // no writer, or the same as an earlier family's (Series 77 and HUB)
        }
        done.push_back(family->writer);
        const fs::path folder = freshFolder("out");
        NavDatabase copy = database; // a writer may complete the records it is given
        const std::string output = (folder / (std::string("out") + family->extension)).string();
        expect(family->writer(&copy, output.c_str(), nullptr) == kOk, family->caption);

        std::vector<std::string> written;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
            written.push_back(entry.path().string());
        }
        std::sort(written.begin(), written.end());
        NavDatabase back;
        initNavDatabase(&back);
        expect(readFiles(family->reader, written, &back) == kOk, family->caption);
    }
}

} // namespace

void expect(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz expectation failed: %s\n", what);
        std::abort();
    }
}

std::vector<std::string> writeInputFiles(const std::uint8_t* data, std::size_t size,
                                         const std::string& base,
                                         const std::vector<std::string>& suffixes) {
    const fs::path folder = freshFolder("in");
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < suffixes.size(); ++i) {
        const std::size_t cut = i + 1 < suffixes.size() ? rest.find(kPartSeparator) : rest.npos;
        paths.push_back((folder / (base + suffixes[i])).string());
        test::writeBytes(paths.back(), std::string(rest.substr(0, cut)));
        if (cut == rest.npos) {
            break;
        }
        rest.remove_prefix(cut + sizeof kPartSeparator - 1);
    }
    return paths;
}

int fuzzFamilyReader(int typeIndex, const std::uint8_t* data, std::size_t size,
                     const std::vector<std::string>& suffixes) {
    const FormatFamily* family = formatFamily(typeIndex);
    const std::vector<std::string> paths =
        writeInputFiles(data, size, std::string("in") + family->extension, suffixes);
    NavDatabase database;
    initNavDatabase(&database);
    if (readFiles(family->reader, paths, &database) == kOk) {
        writeToEveryFamily(database);
    }
    return 0;
}

} // namespace velmar::fuzz
