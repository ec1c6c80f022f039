// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A Gradescope autograder: the zip a teacher uploads, and which of a student's files it grades.
namespace qzb::autograder {

struct ZipEntry {
    std::string name;
    std::string_view bytes;
    std::uint32_t mode = 0644;  // the Unix permissions unzip gives the file
};

// A zip archive of `entries`, stored without compression, each with its CRC-32 and Unix mode.
std::string zipArchive(const std::vector<ZipEntry>& entries);

// The name the test file gets in the zip: its own file name, or tests.qzt for one that is not printable
// UTF-8 text.
std::string testsEntryName(std::string_view fileName);

// The zip Gradescope takes as a programming assignment's autograder: setup.sh, which has nothing to
// do, run_autograder, the test file as `testsName` and `cli`, a statically linked qzb-cli.
std::string autograderZip(std::string_view testsName, std::string_view testsBytes, std::string_view cli);

// The file of a hand-in that is graded: of the names in a submission folder (sorted by byte), the first
// .qzb, else the first other name; `note` says which when there are several, and is empty otherwise.
struct HandIn {
    std::string name;  // empty when nothing was handed in
    std::string note;
};
HandIn chooseHandIn(std::vector<std::string> names);

}  // namespace qzb::autograder
