// SPDX-License-Identifier: MIT
#include "grade/grader.h"

#include <algorithm>
#include <array>
#include <optional>
#include <span>

#include "machine/machine.h"

namespace qzb {
namespace {

std::uint8_t registerValue(const MachineState& state, Register name) {
    switch (name) {
        case Register::Pc: return state.pc;
        case Register::A: return state.a;
        case Register::B: return state.b;
        case Register::Out: return state.out;
        case Register::Carry: return state.carry ? 1 : 0;
    }
    return 0;
}

bool holds(const std::vector<Condition>& conditions, const MachineState& state) {
    return std::all_of(conditions.begin(), conditions.end(), [&](const Condition& condition) {
        return condition.pattern.matches(registerValue(state, condition.name));
    });
}

std::string valuesText(std::span<const std::uint8_t> values) {
    std::string text;
    for (const std::uint8_t value : values) {
        if (!text.empty()) text += ' ';
        text += std::to_string(value);
    }
    return text;
}

std::string joined(const std::vector<Condition>& conditions, const MachineState* found) {
    std::string text;
    for (const Condition& condition : conditions) {
        if (!text.empty()) text += ' ';
        text += found == nullptr ? conditionText(condition)
                                 : foundText(condition, registerValue(*found, condition.name));
    }
    return text;
}

// The OUT values a sequence has seen, each once however long it lasted: the first
// few and the latest few, which is all its message shows.
class SeenValues {
public:
    void add(std::uint8_t value) {
        if (count_ < first_.size()) first_[count_] = value;
        latest_[count_ % latest_.size()] = value;
        ++count_;
    }
    // In order, with "..." where values are left out: "0 1 2 3 4 5 ... 9 10 11 12 13 14".
    std::string text() const {
        const std::size_t head = std::min(count_, first_.size());
        const std::size_t tail = std::min(count_ - head, latest_.size());
        std::string result = valuesText({first_.data(), head});
        if (head + tail < count_) result += " ...";
        for (std::size_t i = count_ - tail; i < count_; ++i)
            result += ' ' + std::to_string(latest_[i % latest_.size()]);
        return result;
    }

private:
    std::array<std::uint8_t, 6> first_{};
    std::array<std::uint8_t, 6> latest_{};
    std::size_t count_ = 0;
};

// One case on one program: a fresh panel and machine, and the last few rows of its trace.
class CaseRun {
public:
    CaseRun(const PanelSwitches& program, const Case& testCase, const std::optional<PanelSwitches>& model)
        : switches_(program), machine_(startedMachine(switches_)), model_(model) {
        result_.name = testCase.name;
        result_.points = testCase.points;
        result_.hidden = testCase.hidden;
        switches_.input.fill(SwitchState::Off);
        remember(-1);
    }
    CaseRun(const CaseRun&) = delete;
    CaseRun& operator=(const CaseRun&) = delete;

    // False when the statement failed, and the result says how.
    bool perform(const Statement& statement) {
        switch (statement.kind) {
            case Statement::Kind::Input: setInput(switches_, statement.input); return true;
            case Statement::Kind::Run:
                for (std::uint32_t i = 0; i < statement.steps; ++i) advance();
                return true;
            case Statement::Kind::Expect:
                if (holds(statement.conditions, state())) return true;
                return fail(statement, "expected " + joined(statement.conditions, nullptr) + ", found " +
                                           joined(statement.conditions, &state()));
            case Statement::Kind::RunUntil:
                for (std::uint32_t i = 0;; ++i) {
                    if (holds(statement.conditions, state())) return true;
                    if (i == statement.steps) break;
                    advance();
                }
                return fail(statement, "expected " + joined(statement.conditions, nullptr) + " within " +
                                           steps(statement.steps) + ", found " +
                                           joined(statement.conditions, &state()));
            case Statement::Kind::ExpectFor:
                for (std::uint32_t i = 0;; ++i) {
                    if (!holds(statement.conditions, state())) {
                        return fail(statement, "expected " + joined(statement.conditions, nullptr) + " for " +
                                                   steps(statement.steps) + ", found " +
                                                   joined(statement.conditions, &state()));
                    }
                    if (i == statement.steps) return true;
                    advance();
                }
            case Statement::Kind::ExpectSequence: return sequence(statement);
            case Statement::Kind::ExpectLikeModel:
                if (!model_) return fail(statement, "the test file holds no model");
                for (std::uint8_t input = 0; input < modelInputs; ++input) {
                    if (!likeModel(statement, input)) return false;
                }
                return true;
        }
        return true;
    }

    CaseResult take() { return std::move(result_); }

private:
    const MachineState& state() const { return machine_.state(); }

    void advance() {
        const StepRecord record = machine_.step();
        ++step_;
        remember(record.address(), record.word);
    }

    void remember(int executedAt, std::uint8_t word = 0) {
        history_[rowCount_ % history_.size()] = {step_, executedAt, word, state()};
        ++rowCount_;
    }

    static std::string steps(std::uint32_t count) {
        return std::to_string(count) + (count == 1 ? " step" : " steps");
    }

    bool fail(const Statement& statement, std::string message) {
        result_.passed = false;
        result_.line = statement.line;
        result_.step = step_;
        result_.message = std::move(message);
        const std::size_t kept = std::min<std::uint64_t>(rowCount_, history_.size());
        for (std::uint64_t row = rowCount_ - kept; row < rowCount_; ++row) {
            result_.lastSteps.push_back(history_[row % history_.size()]);
        }
        return false;
    }

    // Each set bit p of `partial` is a start of the sequence whose first p values
    // OUT has shown; the values are told apart by change, so one that lasts counts once.
    // A failure tells the start that got furthest, the first of those that got as far.
    bool sequence(const Statement& statement) {
        const std::vector<std::uint8_t>& wanted = statement.sequence;
        std::uint64_t partial = 0;
        SeenValues seen;
        // How far the furthest start got, and the value that came instead of the next (-1
        // when the steps ran out) at which step.
        std::size_t furthest = 0;
        int cameInstead = -1;
        std::uint64_t brokenAt = 0;
        const auto show = [&](std::uint8_t value) {
            seen.add(value);
            std::uint64_t next = 0;
            for (std::size_t p = 0; p < wanted.size(); ++p) {
                const bool started = p == 0 || ((partial >> p) & 1) != 0;
                if (!started) continue;
                if (wanted[p] == value) {
                    if (p + 1 == wanted.size()) return true;
                    next |= std::uint64_t{1} << (p + 1);
                } else if (p > furthest) {
                    furthest = p;
                    cameInstead = value;
                    brokenAt = step_;
                }
            }
            partial = next;
            return false;
        };
        std::uint8_t shown = state().out;
        if (show(shown)) return true;
        for (std::uint32_t i = 0; i < statement.steps; ++i) {
            advance();
            if (state().out != shown) {
                shown = state().out;
                if (show(shown)) return true;
            }
        }
        for (std::size_t p = wanted.size() - 1; p > furthest; --p) {
            if (((partial >> p) & 1) != 0) {
                furthest = p;
                cameInstead = -1;
                break;
            }
        }
        const std::string after = "after " + valuesText({wanted.data(), furthest});
        std::string why = std::to_string(wanted.front()) + " never came";
        if (furthest > 0 && cameInstead < 0) {
            why = after + " the steps ran out";
        } else if (furthest > 0) {
            why = after + " came " + std::to_string(cameInstead) + " at step " + std::to_string(brokenAt) +
                  ", not " + std::to_string(wanted[furthest]);
        }
        return fail(statement, "expected out " + valuesText(wanted) + " within " + steps(statement.steps) +
                                   ": " + why + "; found out " + seen.text());
    }

    // The program from reset again, with the input switches reading `input`.
    void restart(std::uint8_t input) {
        setInput(switches_, input);
        machine_.reset();
        step_ = 0;
        rowCount_ = 0;
        remember(-1);
    }

    static void setInput(PanelSwitches& switches, std::uint8_t input) {
        for (std::size_t bit = 0; bit < switches.input.size(); ++bit)
            switches.input[bit] = ((input >> bit) & 1) != 0 ? SwitchState::On : SwitchState::Off;
    }

    // The model and the program from reset with `input`, compared value by value as OUT shows them:
    // the program passes when its first values within N steps are all the model shows in M.
    bool likeModel(const Statement& statement, std::uint8_t input) {
        restart(input);
        PanelSwitches modelSwitches = *model_;
        setInput(modelSwitches, input);
        Machine model = startedMachine(modelSwitches);
        std::uint32_t modelStep = 0;
        const auto nextModelValue = [&]() -> std::optional<std::uint8_t> {
            const std::uint8_t before = model.state().out;
            while (modelStep < statement.modelSteps) {
                model.step();
                ++modelStep;
                if (model.state().out != before) return model.state().out;
            }
            return std::nullopt;
        };
        SeenValues wanted;
        SeenValues seen;
        SeenValues matched;
        std::uint8_t shown = state().out;
        wanted.add(model.state().out);
        seen.add(shown);
        matched.add(shown);
        std::uint32_t used = 0;
        std::string why;
        for (;;) {
            const std::optional<std::uint8_t> next = nextModelValue();
            if (!next) return true;
            wanted.add(*next);
            while (used < statement.steps && state().out == shown) {
                advance();
                ++used;
            }
            if (state().out == shown) {
                why = "after " + matched.text() + " the steps ran out";
                break;
            }
            shown = state().out;
            seen.add(shown);
            if (shown != *next) {
                why = "after " + matched.text() + " came " + std::to_string(shown) + " at step " +
                      std::to_string(step_) + ", not " + std::to_string(*next);
                break;
            }
            matched.add(shown);
        }
        while (const std::optional<std::uint8_t> more = nextModelValue()) wanted.add(*more);
        std::string bits;
        for (int bit = 3; bit >= 0; --bit) bits += ((input >> bit) & 1) != 0 ? '1' : '0';
        return fail(statement, "with input " + bits + ": expected out " + wanted.text() + " within " +
                                   steps(statement.steps) + ", as the model shows in " +
                                   steps(statement.modelSteps) + ": " + why + "; found out " + seen.text());
    }

    PanelSwitches switches_;
    Machine machine_;
    const std::optional<PanelSwitches>& model_;
    std::uint64_t step_ = 0;
    std::array<TraceRow, lastStepsShown> history_{};
    std::uint64_t rowCount_ = 0;
    CaseResult result_;
};

}  // namespace

std::size_t ProgramResult::passedCount() const {
    return static_cast<std::size_t>(
        std::count_if(cases.begin(), cases.end(), [](const CaseResult& c) { return c.passed; }));
}

std::uint64_t ProgramResult::pointsEarned() const {
    std::uint64_t sum = 0;
    for (const CaseResult& result : cases) sum += graded() ? result.earned() : 0;
    return sum;
}

std::uint64_t ProgramResult::pointsPossible() const {
    std::uint64_t sum = 0;
    for (const CaseResult& result : cases) sum += result.points;
    return sum;
}

std::string ProgramResult::whyNotGraded() const {
    std::string text = problem;
    for (std::size_t i = 0; i < messages.size(); ++i) text += (i == 0 ? ": " : "; ") + messages[i];
    return text;
}

std::vector<CaseResult> gradeCases(const Exercise& tests, const PanelSwitches& program) {
    std::vector<CaseResult> results;
    results.reserve(tests.cases.size());
    for (const Case& testCase : tests.cases) {
        CaseRun run(program, testCase, tests.model);
        for (const Statement& statement : testCase.statements) {
            if (!run.perform(statement)) break;
        }
        results.push_back(run.take());
    }
    return results;
}

ProgramResult gradeProgram(const Exercise& tests, const std::string& path, Program program) {
    ProgramResult result;
    result.path = path;
    result.problem = std::move(program.problem);
    result.messages = std::move(program.messages);
    // A broken hand-in must not pass for a wrong program: grade only what the panel wrote.
    if (!program.fault.empty()) {
        result.problem = std::move(program.fault);
        program.switches.reset();
    }
    // A test file among the programs, as a wildcard gives them, is none, whatever it assembles to.
    if (hasTestFileExtension(path)) {
        result.problem = path + " is a test file, not a program";
        result.messages.clear();
        program.switches.reset();
    }
    if (program.switches) {
        result.cases = gradeCases(tests, *program.switches);
        result.switches = std::move(program.switches);
    } else {
        for (const Case& testCase : tests.cases) {
            CaseResult& unrun = result.cases.emplace_back();
            unrun.name = testCase.name;
            unrun.points = testCase.points;
            unrun.hidden = testCase.hidden;
            unrun.passed = false;
        }
    }
    return result;
}

ProgramResult gradeProgram(const Exercise& tests, const std::string& path) {
    return gradeProgram(tests, path, readProgram(path));
}

}  // namespace qzb
