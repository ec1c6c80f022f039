// SPDX-License-Identifier: MIT
#include "cli/autograder.h"

#include <algorithm>
#include <array>

#include "common/utf8.h"
#include "settings/setting_file.h"

namespace qzb::autograder {
namespace {

constexpr std::array<std::uint32_t, 256> crcTable = [] {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320 ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}();

std::uint32_t crc32(std::string_view bytes) {
    std::uint32_t crc = 0xFFFFFFFF;
    for (const char c : bytes) crc = crcTable[(crc ^ static_cast<unsigned char>(c)) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFF;
}

void put(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// 1980-01-01 00:00, the earliest time a zip can hold, so that one test file always makes the same zip.
constexpr std::uint32_t dosDate = (1 << 5) | 1;
constexpr std::uint32_t madeOnUnix = 3 << 8;
constexpr std::uint32_t utf8Name = 1 << 11;
constexpr std::uint32_t regularFile = 0100000;

// The fields a local header and its central directory record share, from "version needed" on.
std::string commonFields(const ZipEntry& entry) {
    std::string fields;
    const bool ascii = std::all_of(entry.name.begin(), entry.name.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    put(fields, 10, 2);  // version 1.0 reads a stored file
    put(fields, ascii ? 0 : utf8Name, 2);
    put(fields, 0, 2);  // stored
    put(fields, 0, 2);  // time
    put(fields, dosDate, 2);
    put(fields, crc32(entry.bytes), 4);
    put(fields, static_cast<std::uint32_t>(entry.bytes.size()), 4);
    put(fields, static_cast<std::uint32_t>(entry.bytes.size()), 4);
    put(fields, static_cast<std::uint32_t>(entry.name.size()), 2);
    put(fields, 0, 2);  // no extra field
    return fields;
}

std::string shellQuoted(std::string_view text) {
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + '\'';
}

}  // namespace

std::string zipArchive(const std::vector<ZipEntry>& entries) {
    std::string archive;
    std::string directory;
    for (const ZipEntry& entry : entries) {
        const std::string fields = commonFields(entry);
        const auto offset = static_cast<std::uint32_t>(archive.size());
        put(archive, 0x04034B50, 4);
        archive += fields + entry.name;
        archive += entry.bytes;
        put(directory, 0x02014B50, 4);
        put(directory, madeOnUnix | 20, 2);
        directory += fields;
        put(directory, 0, 2);  // no comment
        put(directory, 0, 2);  // disk
        put(directory, 0, 2);  // internal attributes
        put(directory, (regularFile | entry.mode) << 16, 4);
        put(directory, offset, 4);
        directory += entry.name;
    }
    const auto directoryOffset = static_cast<std::uint32_t>(archive.size());
    archive += directory;
    put(archive, 0x06054B50, 4);
    put(archive, 0, 4);  // this disk, and the disk the directory starts on
    put(archive, static_cast<std::uint32_t>(entries.size()), 2);
    put(archive, static_cast<std::uint32_t>(entries.size()), 2);
    put(archive, static_cast<std::uint32_t>(directory.size()), 4);
    put(archive, directoryOffset, 4);
    put(archive, 0, 2);  // no comment
    return archive;
}

std::string testsEntryName(std::string_view fileName) {
    if (fileName.empty() || !isPrintableText(fileName)) return "tests.qzt";
    return std::string(fileName);
}

std::string autograderZip(std::string_view testsName, std::string_view testsBytes, std::string_view cli) {
    const std::string setup =
        "#!/bin/sh\n"
        "# Nothing to install: qzb-cli beside this script is statically linked and needs no library.\n"
        "exit 0\n";
    // Gradescope runs a copy of this script as ROOT/run_autograder, with the zip's files in ROOT/source
    // and the student's in ROOT/submission; ROOT is where the script is.
    const std::string run =
        "#!/bin/sh\n"
        "# Grades the program handed in against the test file and writes results/results.json.\n"
        "PATH=/usr/local/bin:/usr/bin:/bin${PATH:+:$PATH}\n"
        "case $0 in */*) root=${0%/*} ;; *) root=. ;; esac\n"
        "mkdir -p \"$root/results\" || exit 1\n"
        "exec \"$root/source/qzb-cli\" gradescope \"$root/source/\"" +
        shellQuoted(testsName) + " --submission \"$root/submission\" -o \"$root/results/results.json\"\n";
    return zipArchive({{"setup.sh", setup, 0755},
                       {"run_autograder", run, 0755},
                       {std::string(testsName), testsBytes, 0644},
                       {"qzb-cli", cli, 0755}});
}

HandIn chooseHandIn(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    if (names.empty()) return {};
    const auto setting = std::find_if(names.begin(), names.end(), hasSettingExtension);
    HandIn chosen{setting == names.end() ? names.front() : *setting, {}};
    if (names.size() > 1) {
        chosen.note = "graded " + chosen.name + ", the first " +
                      (setting == names.end() ? "" : ".qzb file ") + "of the " +
                      std::to_string(names.size()) + " files handed in";
    }
    return chosen;
}

}  // namespace qzb::autograder
