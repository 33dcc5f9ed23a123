// Every example converted to every family under a fixed clock, compared byte for byte with the
// outputs kept beside this file (one folder per destination family, each output named by the
// conversion job: <example><extension>[member suffix]). `scripts/golden --update` rewrites them
// (VELMAR_GOLDEN_UPDATE=1) so that any change in an output shows in review.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "core/Clock.h"
#include "core/ConversionJob.h"
#include "formats/FamilyTable.h"

namespace velmar {
namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kGoldenClock = 1335960000; // 2012-05-02 12:00:00 UTC

// The family an example is written in, from its name ("bay-survey.s5.wpt", "coastal-run.xml"):
// the family whose extension ends the name or comes before a member suffix; CMAP documents are
// .xml. -1 for none.
int exampleFamily(const std::string& name) {
    if (name.ends_with(".xml")) {
        return kCmap;
    }
    for (int family = 0; family < kFamilyCount; ++family) {
        const std::string extension = formatFamily(family)->extension;
        if (name.ends_with(extension) || name.find(extension + ".") != std::string::npos) {
            return family;
        }
    }
    return -1;
}

// Files under `folder`, as paths relative to it, sorted.
std::vector<std::string> filesUnder(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            names.push_back(fs::relative(entry.path(), folder).string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Converts the examples of each source family to each destination the Convert button accepts,
// one job per pair, into `folder`/<destination key>/; returns the jobs' logs with the examples'
// folder left out of the paths.
std::string convertExamples(const fs::path& folder) {
    const std::string examples = test::sourcePath("examples") + "/";
    std::vector<std::vector<std::string>> byFamily(kFamilyCount);
    for (const std::string& name : test::folderNames(examples)) {
        const int family = exampleFamily(name);
        EXPECT_GE(family, 0) << "examples/" << name << " is of no family";
        if (family >= 0) {
            byFamily[static_cast<std::size_t>(family)].push_back(examples + name);
        }
    }
    const ScopedClock clock(kGoldenClock);
    std::string results;
    for (int to = 0; to < kFamilyCount; ++to) {
        const std::string out = (folder / formatFamily(to)->key).string();
        fs::create_directories(out);
        for (int from = 0; from < kFamilyCount; ++from) {
            const auto& files = byFamily[static_cast<std::size_t>(from)];
            if (files.empty() ||
                !checkConvertInputs(files.size(), out, formatFamily(from), formatFamily(to))
                     .empty()) {
                continue;
            }
            const auto job =
                makeConversionJob(files, out, from, to, *formatFamily(from), *formatFamily(to));
            runConversionJob(job.get());
            std::string log = job->resultLog;
            for (auto at = log.find(examples); at != std::string::npos; at = log.find(examples)) {
                log.erase(at, examples.size());
            }
            results += std::string(formatFamily(from)->key) + " -> " + formatFamily(to)->key + ":" +
                       log + "\r\n";
        }
    }
    return results;
}

TEST(Golden, EveryExampleToEveryFamilyIsByteIdentical) {
    const test::TempDir scratch;
    const std::string results = convertExamples(scratch.path());
    test::writeBytes(scratch.file("results.txt"), results);
    const fs::path golden = test::sourcePath("tests/golden");
    if (std::getenv("VELMAR_GOLDEN_UPDATE") != nullptr) {
        for (const std::string& name : test::folderNames(scratch.path().string())) {
            fs::remove_all(golden / name);
            fs::copy(scratch.path() / name, golden / name, fs::copy_options::recursive);
        }
        GTEST_SKIP() << "golden outputs rewritten";
    }
    std::vector<std::string> expected;
    for (const std::string& name : test::folderNames(scratch.path().string())) {
        if (fs::is_directory(golden / name)) {
            for (const std::string& file : filesUnder(golden / name)) {
                expected.push_back(name + "/" + file);
            }
        } else if (fs::exists(golden / name)) {
            expected.push_back(name);
        }
    }
    std::sort(expected.begin(), expected.end());
    const std::vector<std::string> actual = filesUnder(scratch.path());
    ASSERT_EQ(actual, expected)
        << "the outputs are not the committed ones: scripts/golden --update";
    for (const std::string& name : actual) {
        EXPECT_TRUE(test::readBytes(scratch.file(name)) ==
                    test::readBytes((golden / name).string()))
            << name << " differs from its golden file: scripts/golden --update shows the change";
    }
}

// The family table: each type index's key and what its family can do (Series 66 is a type
// button only, GPX is on the command line only); readers, writers and extensions show in the
// outputs above.
TEST(FamilyTable, EachTypeIndexHasItsKeyAndCapabilities) {
    const unsigned all = kOnTypeRadios | kReads | kWrites;
    const std::pair<const char*, unsigned> rows[kFamilyCount] = {
        {"s41", all}, {"s5", all | kFileSet}, {"s6", all | kFileSet},   {"s66", kOnTypeRadios},
        {"s77", all}, {"hub", all},           {"cmap", all | kFileSet}, {"gpx", kReads | kWrites}};
    for (int index = 0; index < kFamilyCount; ++index) {
        const auto& [key, can] = rows[index];
        EXPECT_EQ(familyIndexByKey(key), index);
        EXPECT_EQ(familyIndexByKey(std::to_string(index)), index < 7 ? index : -1);
        for (const unsigned bit : {kOnTypeRadios, kReads, kWrites, kFileSet}) {
            EXPECT_EQ(familyHas(index, bit), (can & bit) != 0) << key << ' ' << bit;
        }
    }
    EXPECT_EQ(formatFamily(kFamilyCount), nullptr);
    EXPECT_FALSE(familyHas(kFamilyCount, 0));
}

} // namespace
} // namespace velmar
