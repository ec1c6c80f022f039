// SPDX-License-Identifier: MIT
// qzb-cli: runs and grades programs without the window, and assembles and
// disassembles them. Exit status 0 on success, 1 when a file cannot be read or
// written, a source has errors or a graded case fails, 2 for a usage error or an
// error in a test file. Nothing is written to stdout when a command fails,
// except the report of a grading.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "asm/assembler.h"
#include "asm/disassembler.h"
#include "cli/autograder.h"
#include "common/utf8.h"
#include "grade/classroom.h"
#include "grade/exercise.h"
#include "grade/grader.h"
#include "grade/program.h"
#include "grade/report.h"
#include "grade/timing_diagram.h"
#include "grade/trace_table.h"
#include "settings/setting_file.h"
#include "settings/setting_link.h"
#include "settings/setting_storage.h"

namespace {

constexpr int failure = 1;
constexpr int usageError = 2;
constexpr std::uint64_t maxSteps = 1'000'000'000;

// A line on stderr, where names and messages come from files and arguments: shown as
// the reports show them, so that no byte of theirs drives the terminal.
void printError(const std::string& line) {
    const std::string shown = qzb::visibleText(line) + '\n';
    std::fwrite(shown.data(), 1, shown.size(), stderr);
}

int fail(const std::string& message, int status = failure) {
    printError("qzb-cli: " + message);
    return status;
}

bool writeAll(const std::string& text) {
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0;
}

// --steps: plain decimal digits (no sign, no base prefix: the parser's own
// conversion would read 010 as eight), at most 10^9.
std::string checkSteps(std::string& value) {
    if (value.empty() || value.find_first_not_of("0123456789") != std::string::npos) {
        return "'" + value + "' is not a number of steps";
    }
    value.erase(0, std::min(value.find_first_not_of('0'), value.size() - 1));
    if (value.size() > 10 || std::stoull(value) > maxSteps) {
        return value + " is more than " + std::to_string(maxSteps) + " steps";
    }
    return {};
}

std::string checkInput(const std::string& value) {
    if (value.size() != 4 || value.find_first_not_of("01") != std::string::npos) {
        return "'" + value + "' is not four binary digits (bit 3 first, such as 1001)";
    }
    return {};
}

std::string checkOutputName(const std::string& value) {
    if (!qzb::hasSettingExtension(value)) return "'" + value + "' does not end in .qzb";
    return {};
}

// "cannot read FILE: the system's reason"
std::string fileError(const char* what, const std::string& path, const std::error_code& error) {
    return std::string("cannot ") + what + ' ' + path + ": " + error.message();
}

// Assembler messages go to stderr as `asm` writes them; other problems as one line.
int reportProblem(const qzb::Program& program) {
    if (program.messages.empty()) return fail(program.problem);
    for (const std::string& line : program.messages) printError(line);
    return failure;
}

// A setting file the panel did not write is still read as Load reads it, with a word on stderr.
void warnOfFault(const qzb::Program& program) {
    if (!program.fault.empty()) printError("qzb-cli: warning: " + program.fault);
}

// The trace as a table, or with `picture` as the timing diagram.
int runFile(const std::string& path, std::uint64_t steps, const std::string& input, qzb::TraceFormat format,
            bool picture) {
    qzb::Program program = qzb::readProgram(path);
    if (!program.switches) return reportProblem(program);
    warnOfFault(program);
    for (std::size_t bit = 0; bit < 4; ++bit) {
        program.switches->input[bit] = input[3 - bit] == '1' ? qzb::SwitchState::On : qzb::SwitchState::Off;
    }
    if (picture ? !qzb::writeTimingDiagram(*program.switches, steps, stdout)
                : !qzb::writeTrace(*program.switches, steps, format, stdout))
        return fail("cannot write the trace");
    return 0;
}

// The fragment Copy link makes on the page for this program.
int linkFile(const std::string& path) {
    const qzb::Program program = qzb::readProgram(path);
    if (!program.switches) return reportProblem(program);
    warnOfFault(program);
    if (!writeAll(qzb::settingLink(*program.switches) + '\n')) return fail("cannot write the link");
    return 0;
}

int disassembleFile(const std::string& path) {
    const qzb::Program program = qzb::readProgram(path);
    if (!program.switches) return reportProblem(program);
    warnOfFault(program);
    if (!writeAll(qzb::disassemble(*program.switches))) return fail("cannot write the listing");
    return 0;
}

bool sameFile(const std::string& first, const std::string& second) {
    std::error_code error;
    return std::filesystem::equivalent(first, second, error) && !error;
}

int assembleFile(const std::string& sourcePath, std::string outputPath) {
    std::string source;
    if (const std::error_code error = qzb::readFileText(sourcePath, source))
        return fail(fileError("read", sourcePath, error));
    if (const std::optional<std::string> problem = qzb::sourceSizeProblem(sourcePath, source.size()))
        return fail(*problem);
    if (outputPath.empty()) {
        outputPath = std::filesystem::path(sourcePath).replace_extension(".qzb").string();
        if (outputPath == sourcePath) {
            return fail(sourcePath + " already ends in .qzb; name the output with -o", usageError);
        }
    }
    if (sameFile(sourcePath, outputPath)) return fail("-o names the source itself", usageError);

    const qzb::Assembly assembly = qzb::assemble(source);
    if (!assembly.errors.empty()) {
        for (const std::string& line : qzb::locatedMessages(sourcePath, assembly.errors)) {
            printError(line);
        }
        return failure;
    }
    if (const std::error_code error = qzb::replaceFile(outputPath, qzb::writeSettingFile(assembly.switches)))
        return fail(fileError("write", outputPath, error));
    const qzb::ClockMode& clock = assembly.switches.clock;
    std::printf("%s: %d word%s, clock %s, beep %s\n", outputPath.c_str(), assembly.wordCount,
                assembly.wordCount == 1 ? "" : "s", std::string(qzb::clockName(clock)).c_str(),
                qzb::isOn(assembly.switches.beep) ? "on" : "off");
    return 0;
}

// The test file at `path` (its bytes into `text`), read as `test` reads it; nothing once stderr says why
// it cannot grade.
std::optional<qzb::Exercise> readTests(const std::string& path, std::string& text) {
    if (const std::error_code error = qzb::readFileText(path, text)) {
        fail(fileError("read", path, error));
        return std::nullopt;
    }
    qzb::TestFileReading reading = qzb::readTestFile(path, text);
    if (!reading.problem.empty()) fail(reading.problem);
    for (const std::string& line : reading.messages) printError(line);
    if (!reading.usable()) return std::nullopt;
    return std::move(reading.exercise);
}

std::optional<qzb::Exercise> readTests(const std::string& path) {
    std::string text;
    return readTests(path, text);
}

std::string fileName(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

// One program for a course's platform, which shows the results to the student who handed it in: the
// program and the test file are named by their file names alone, as that student knows them.
int gradeForPlatform(const std::string& testsPath, const std::string& programPath,
                     const std::string& format) {
    const std::optional<qzb::Exercise> tests = readTests(testsPath);
    if (!tests) return usageError;
    const std::string name = fileName(programPath);
    const qzb::ProgramResult result = qzb::gradeProgram(*tests, name, qzb::readProgram(programPath, name));
    const std::string report = format == "gradescope" ? qzb::gradescopeResults(fileName(testsPath), result)
                                                      : qzb::prairieLearnResults(fileName(testsPath), result);
    if (!writeAll(report)) return fail("cannot write the report");
    return result.passedEveryCase() ? 0 : failure;
}

// Grades every program, going on past those that cannot be read or assembled.
int gradeFiles(const std::string& testsPath, const std::vector<std::string>& programPaths,
               qzb::ReportFormat format) {
    const std::optional<qzb::Exercise> read = readTests(testsPath);
    if (!read) return usageError;
    const qzb::Exercise& tests = *read;
    std::vector<qzb::ProgramResult> results;
    results.reserve(programPaths.size());
    bool allPassed = true;
    for (const std::string& path : programPaths) {
        if (sameFile(path, testsPath)) continue;  // as `*` gives it in a folder that holds it
        results.push_back(qzb::gradeProgram(tests, path));
        allPassed = allPassed && results.back().passedEveryCase();
    }
    if (!writeAll(qzb::gradeReport(testsPath, results, format))) return fail("cannot write the report");
    return allPassed ? 0 : failure;
}

// The statically linked qzb-cli that an autograder carries: beside this program in the build tree, or
// where the package installs it, ../lib/qzb/ from /usr/bin.
std::optional<std::filesystem::path> staticCli() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return std::nullopt;
    for (const std::filesystem::path& candidate :
         {self.parent_path() / "qzb-cli-static",
          self.parent_path().parent_path() / "lib/qzb/qzb-cli-static"}) {
        if (std::filesystem::is_regular_file(candidate, error)) return candidate;
    }
    return std::nullopt;
}

int makeAutograder(const std::string& testsPath, const std::string& outputPath) {
    std::string testsText;
    const std::optional<qzb::Exercise> tests = readTests(testsPath, testsText);
    if (!tests) return usageError;
    const std::optional<std::filesystem::path> cli = staticCli();
    if (!cli) return fail("cannot find qzb-cli-static, the statically linked qzb-cli an autograder runs");
    std::string binary;
    constexpr std::size_t binaryLimit = std::size_t{64} << 20;
    if (const std::error_code error = qzb::readFileText(cli->string(), binary, binaryLimit))
        return fail(fileError("read", cli->string(), error));
    const std::string testsName = qzb::autograder::testsEntryName(fileName(testsPath));
    if (const std::error_code error =
            qzb::replaceFile(outputPath, qzb::autograder::autograderZip(testsName, testsText, binary)))
        return fail(fileError("write", outputPath, error));
    std::uint64_t points = 0;
    for (const qzb::Case& testCase : tests->cases) points += testCase.points;
    const std::string summary = outputPath + ": a Gradescope autograder for " + testsName + ", " +
                                std::to_string(tests->cases.size()) +
                                (tests->cases.size() == 1 ? " case" : " cases") + " worth " +
                                std::to_string(points) + (points == 1 ? " point\n" : " points\n");
    return writeAll(qzb::visibleText(summary, "\n")) ? 0 : fail("cannot write the summary");
}

// What run_autograder does on Gradescope: grades the one program of a student's hand-in in `folder` (its
// files, leaving out those whose names start with a dot) and writes results.json. The exit status is 0
// once the results are written, whatever the grade.
int gradeHandIn(const std::string& testsPath, const std::string& folder, const std::string& outputPath) {
    const std::optional<qzb::Exercise> tests = readTests(testsPath);
    if (!tests) return usageError;
    std::vector<std::string> names;
    std::error_code error;
    for (auto entry = std::filesystem::directory_iterator(folder, error);
         !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        std::error_code unreadable;  // a dangling link is no file handed in
        if (!name.starts_with('.') && entry->is_regular_file(unreadable)) names.push_back(name);
    }
    const qzb::autograder::HandIn chosen = qzb::autograder::chooseHandIn(names);
    qzb::Program program;
    if (error) {
        program.problem = fileError("read the hand-in folder", folder, error);
    } else if (chosen.name.empty()) {
        program.problem = "no file was handed in";
    } else {
        program = qzb::readProgram((std::filesystem::path(folder) / chosen.name).string(), chosen.name);
    }
    const qzb::ProgramResult result = qzb::gradeProgram(*tests, chosen.name, std::move(program));
    const std::string json = qzb::gradescopeResults(fileName(testsPath), result, chosen.note);
    if (const std::error_code written = qzb::replaceFile(outputPath, json))
        return fail(fileError("write", outputPath, written));
    const std::string summary =
        outputPath + ": " + qzb::pointsLine(result) + (chosen.note.empty() ? "" : " (" + chosen.note + ')');
    return writeAll(qzb::visibleText(summary) + '\n') ? 0 : fail("cannot write the summary");
}

// "text, csv or jsonl"
std::string alternatives(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
    return text;
}

// --format: one of `names`, shown in the help as {text,csv,jsonl}.
CLI::Validator formatCheck(const std::vector<std::string>& names) {
    std::string shown;
    for (const std::string& name : names) shown += (shown.empty() ? "{" : ",") + name;
    return {[names](const std::string& value) {
                if (std::find(names.begin(), names.end(), value) != names.end()) return std::string();
                return "'" + value + "' is not " + alternatives(names);
            },
            shown + "}"};
}

// What a value option needs, as a usage error says when it is given without one.
std::string needs(const CLI::Option& option, const std::vector<std::string>& formats,
                  const CLI::App& command) {
    const std::string name = option.get_name();
    if (name == "--steps") return "--steps needs a number of steps";
    if (name == "--input") return "--input needs four binary digits, bit 3 first";
    if (name == "--format") return "--format needs " + alternatives(formats);
    if (name == "--submission") return "--submission needs the folder of a student's hand-in";
    if (command.get_name() == "gradescope") return "-o needs the name of the file to write";
    return "-o needs the name of the setting file to write";
}

template <typename Kind>
bool is(const CLI::ParseError& error) {
    return dynamic_cast<const Kind*>(&error) != nullptr;
}

// A usage error in the program's own words, found from the kind of error and the command line
// itself rather than from the argument library's English; its message only for anything else.
std::string usageProblem(const CLI::ParseError& error, const CLI::App& app, int argc, char** argv,
                         const std::vector<std::string>& formats) {
    const std::vector<CLI::App*> chosen = app.get_subcommands();
    if (chosen.empty() && argc > 1 && argv[1][0] != '-')
        return "unknown command '" + std::string(argv[1]) +
               "'; the commands are run, test, asm, disasm, link and gradescope";
    if (chosen.empty() && is<CLI::RequiredError>(error))
        return "a command is needed: run, test, asm, disasm, link or gradescope";
    if (chosen.empty()) return error.what();
    const CLI::App& command = *chosen.front();
    const std::vector<const CLI::Option*> options = command.get_options();
    if (is<CLI::RequiredError>(error)) {
        for (const CLI::Option* option : options) {
            if (option->get_required() && option->count() == 0) return option->get_name() + " is required";
        }
    }
    if (const std::vector<std::string> extra = app.remaining(true);
        is<CLI::ExtrasError>(error) && !extra.empty())
        return "unexpected argument '" + extra.front() + "'";
    if (is<CLI::ArgumentMismatch>(error)) {
        for (int i = 1; i < argc; ++i) {
            for (const CLI::Option* option : options) {
                const bool valueless = i + 1 == argc || argv[i + 1][0] == '-';
                if (!option->get_positional() && option->check_name(argv[i]) && valueless)
                    return needs(*option, formats, command);
            }
        }
        for (const CLI::Option* option : options) {
            if (!option->get_positional() && option->count() > 1)
                return option->get_name() + " is given more than once";
        }
    }
    return error.what();
}

int runCommandLine(int argc, char** argv) {
    CLI::App app{
        "Runs, grades, assembles, disassembles and links programs of the QZB 4-bit computer, and makes "
        "autograders.",
        "qzb-cli"};
    app.set_version_flag("--version", "qzb-cli " QZB_VERSION);
    app.require_subcommand(1);

    const std::vector<std::string> traceFormats = {"text", "csv", "jsonl", "svg"};
    const std::vector<std::string> reportFormats = {"text",   "csv",        "jsonl",       "junit",
                                                    "grades", "gradescope", "prairielearn"};
    std::string file;
    std::string stepsText = "16";
    std::string input = "0000";
    std::string formatName = "text";
    CLI::App* run = app.add_subcommand("run", "Reset the machine on a program and trace N instructions");
    run->add_option("FILE", file, "a setting file (.qzb) or an assembly source")->required()->type_name("");
    run->add_option("--steps", stepsText, "instructions to execute, 0 to 1000000000")
        ->transform(CLI::Validator(checkSteps, ""))
        ->type_name("N")
        ->capture_default_str();
    run->add_option("--input", input, "the input switches, bit 3 first")
        ->check(CLI::Validator(checkInput, ""))
        ->type_name("BITS")
        ->capture_default_str();
    run->add_option("--format", formatName, "how the trace is written")
        ->check(formatCheck(traceFormats))
        ->type_name("FORMAT")
        ->capture_default_str();

    std::string testsPath;
    std::vector<std::string> programs;
    std::string reportName = "text";
    CLI::App* test = app.add_subcommand("test", "Grade programs against the cases of a test file");
    test->add_option("TESTS", testsPath, "the test file (.qzt)")->required()->type_name("");
    test->add_option("PROGRAM", programs, "setting files (.qzb) or assembly sources")
        ->required()
        ->type_name("");
    test->add_option("--format", reportName, "how the report is written")
        ->check(formatCheck(reportFormats))
        ->type_name("FORMAT")
        ->capture_default_str();

    std::string source;
    std::string output;
    CLI::App* assemble = app.add_subcommand("asm", "Assemble a source into a setting file");
    assemble->add_option("SOURCE", source, "the assembly source")->required()->type_name("");
    assemble->add_option("-o,--output", output, "the setting file to write (default: SOURCE with .qzb)")
        ->check(CLI::Validator(checkOutputName, ""))
        ->type_name("FILE.qzb");

    CLI::App* disassemble = app.add_subcommand("disasm", "Print a program as assembly source");
    disassemble->add_option("FILE", file, "a setting file (.qzb) or an assembly source")
        ->required()
        ->type_name("");

    CLI::App* link = app.add_subcommand("link", "Print a program as the page's link fragment");
    link->add_option("FILE", file, "a setting file (.qzb) or an assembly source")->required()->type_name("");

    std::string submission;
    CLI::App* gradescope = app.add_subcommand(
        "gradescope", "Write a Gradescope autograder zip for a test file, or grade a hand-in as it does");
    gradescope->add_option("TESTS", testsPath, "the test file (.qzt)")->required()->type_name("");
    gradescope->add_option("-o,--output", output, "the zip to write; with --submission, the results.json")
        ->required()
        ->type_name("FILE");
    const CLI::Option* handIn =
        gradescope->add_option("--submission", submission, "grade the program handed in in this folder")
            ->type_name("FOLDER");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) return app.exit(error);
        const std::vector<CLI::App*> chosen = app.get_subcommands();
        const bool grading = !chosen.empty() && chosen.front() == test;
        std::string message = usageProblem(error, app, argc, argv, grading ? reportFormats : traceFormats);
        for (char& c : message) {
            if (c == '\n') c = ' ';
        }
        const std::string command = chosen.empty() ? "" : chosen.front()->get_name() + " ";
        return fail(message + " (see qzb-cli " + command + "--help)", usageError);
    }

    if (*run) {
        const auto format = formatName == "csv"     ? qzb::TraceFormat::Csv
                            : formatName == "jsonl" ? qzb::TraceFormat::Jsonl
                                                    : qzb::TraceFormat::Text;
        return runFile(file, std::stoull(stepsText), input, format, formatName == "svg");
    }
    if (*test) {
        if (reportName == "gradescope" || reportName == "prairielearn") {
            if (programs.size() != 1) {
                return fail("--format " + reportName + " grades one program, not " +
                                std::to_string(programs.size()) + " (see qzb-cli test --help)",
                            usageError);
            }
            return gradeForPlatform(testsPath, programs.front(), reportName);
        }
        const auto format = reportName == "csv"      ? qzb::ReportFormat::Csv
                            : reportName == "jsonl"  ? qzb::ReportFormat::Jsonl
                            : reportName == "junit"  ? qzb::ReportFormat::Junit
                            : reportName == "grades" ? qzb::ReportFormat::Grades
                                                     : qzb::ReportFormat::Text;
        return gradeFiles(testsPath, programs, format);
    }
    if (*assemble) return assembleFile(source, output);
    if (*link) return linkFile(file);
    if (*gradescope) {
        if (sameFile(testsPath, output)) return fail("-o names the test file itself", usageError);
        return handIn->count() == 0 ? makeAutograder(testsPath, output)
                                    : gradeHandIn(testsPath, submission, output);
    }
    return disassembleFile(file);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return runCommandLine(argc, argv);
    } catch (const std::exception& error) {  // out of memory, or a file name the system cannot take
        return fail(error.what());
    }
}
