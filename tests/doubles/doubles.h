#pragma once

// In-memory stand-ins for the platform, recording what the behaviour asked of them.

#include <algorithm>
#include <cctype>
#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "mainwindow/form1.h"
#include "platform/controls.h"
#include "platform/dialogs.h"
#include "platform/network.h"
#include "platform/script_launcher.h"
#include "platform/settings_backend.h"
#include "platform/system.h"

namespace zerlin::test {

class FakeTextBox : public TextBox {
  public:
    explicit FakeTextBox(std::string text = {}) : text_(std::move(text)) {}
    std::string text() const override { return text_; }
    void setText(const std::string& text) override { text_ = text; }

  private:
    std::string text_;
};

class FakeListBox : public ListBox {
  public:
    int count() const override { return static_cast<int>(rows.size()); }
    std::string row(int index) const override {
        return index >= 0 && index < count() ? rows[static_cast<std::size_t>(index)] : "";
    }
    void append(const std::string& text) override { rows.push_back(text); }
    void removeAt(int index) override {
        if (index < 0 || index >= count()) {
            return;
        }
        rows.erase(rows.begin() + index);
        selection.reset();
    }
    void clear() override {
        rows.clear();
        selection.reset();
    }
    std::optional<int> selected() const override { return selection; }
    void clearSelection() override { selection.reset(); }

    std::vector<std::string> rows;
    std::optional<int> selection;
};

class FakeCheckBox : public CheckBox {
  public:
    explicit FakeCheckBox(std::string caption = {}) : caption_(std::move(caption)) {}
    bool checked() const override { return checked_; }
    void setChecked(bool checked) override { checked_ = checked; }
    std::string caption() const override { return caption_; }
    void setCaption(const std::string& caption) override { caption_ = caption; }

  private:
    bool checked_ = false;
    std::string caption_;
};

// A steady clock that moves only when the test moves it.
class FakeClock : public net::Clock {
  public:
    explicit FakeClock(std::chrono::microseconds start = {}) : now_(start) {}
    std::chrono::microseconds now() const override { return now_; }
    void advance(std::chrono::microseconds time) { now_ += time; }

  private:
    std::chrono::microseconds now_;
};

// A timer that ticks only when the test says: fire() ticks it at once, as the event loop would
// once its delay has passed; on a FakeClock, runUntil() moves the clock on and ticks it each
// time it comes due on the way.
class FakeTimer : public Timer {
  public:
    FakeTimer() = default;
    explicit FakeTimer(FakeClock& clock) : clock_(&clock) {}

    void setHandler(std::function<void()> tick) override { handler = std::move(tick); }
    void start(std::chrono::microseconds delay) override {
        active = true;
        ++starts;
        lastDelay = delay;
        armed = delay;
        dueAt_ = clock_ ? clock_->now() + delay + late : delay;
    }
    void stop() override {
        active = false;
        armed.reset();
    }
    bool isActive() const override { return active; }

    // Ticks now if armed; false when it was not.
    bool fire() {
        if (!active) {
            return false;
        }
        stop();
        if (handler) {
            handler();
        }
        return true;
    }

    // Moves the clock on to `until`, ticking at each time the timer was armed for on the way
    // and calling `between` after each tick. Needs the clock.
    void runUntil(std::chrono::microseconds until, const std::function<void()>& between = {}) {
        for (int guard = 0; active && dueAt_ <= until && guard < 1000000; ++guard) {
            moveTo(dueAt_);
            fire();
            if (between) {
                between();
            }
        }
        moveTo(until);
    }
    void runFor(std::chrono::microseconds time) { runUntil(clock_->now() + time); }
    // When it ticks, on the clock; none when it is not armed.
    std::optional<std::chrono::microseconds> dueAt() const {
        return active ? std::optional(dueAt_) : std::nullopt;
    }

    std::function<void()> handler;
    bool active = false;
    int starts = 0;
    std::chrono::microseconds lastDelay{};
    std::optional<std::chrono::microseconds> armed;  // the delay of the arming under way
    // How late a tick comes, as in a busy event loop (on a clock only).
    std::chrono::microseconds late{0};

  private:
    void moveTo(std::chrono::microseconds at) {
        if (at > clock_->now()) {
            clock_->advance(at - clock_->now());
        }
    }
    FakeClock* clock_ = nullptr;
    std::chrono::microseconds dueAt_{};
};

class FakeWindow : public Window {
  public:
    void setCaption(const std::string& text) override { caption = text; }
    std::string caption;
};

// Answers each show() with the next scripted answer (a file name, or nullopt for Cancel);
// cancels when none is left. Records the state and mode of every show.
class FakeFileDialog : public FileDialog {
  public:
    bool show(FileDialogState& state, FileDialogMode mode) override {
        shown.emplace_back(state, mode);
        if (answers.empty() || !answers.front()) {
            if (!answers.empty()) {
                answers.pop_front();
            }
            return false;
        }
        state.fileName = *answers.front();
        answers.pop_front();
        return true;
    }

    std::deque<std::optional<std::string>> answers;
    std::vector<std::pair<FileDialogState, FileDialogMode>> shown;
};

class FakeMessageBox : public MessageBox {
  public:
    void show(const std::string& text) override { shown.push_back(text); }
    std::vector<std::string> shown;
};

class FakeTextInput : public TextInput {
  public:
    std::string ask(const std::string& prompt) override {
        prompts.push_back(prompt);
        if (answers.empty()) {
            return "";
        }
        std::string answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::deque<std::string> answers;
    std::vector<std::string> prompts;
};

// A settings store in memory whose names match without regard to letter case, as the real
// one's do. Records every write.
class MemorySettings : public SettingsBackend {
  public:
    std::string read(const std::string& section, const std::string& key) override {
        auto it = values.find(name(section, key));
        return it == values.end() ? "" : it->second;
    }
    std::optional<std::string> find(const std::string& section, const std::string& key) override {
        auto it = values.find(name(section, key));
        return it == values.end() ? std::nullopt : std::optional<std::string>(it->second);
    }
    Status write(const std::string& section, const std::string& key,
                 const std::string& value) override {
        return write(section, SettingsEntries{{key, value}});
    }
    Status write(const std::string& section, const SettingsEntries& entries) override {
        ++calls;
        if (!failure.empty()) {
            return Failure{failure};
        }
        for (const auto& [key, value] : entries) {
            values[name(section, key)] = value;
            writes.push_back({section, key, value, calls});
        }
        return {};
    }

    // Stores a value without recording a write: the state a test starts from.
    void preset(const std::string& section, const std::string& key, const std::string& value) {
        values[name(section, key)] = value;
    }

    struct Write {
        std::string section, key, value;
        int call = 0;  // writes of one call share its number: they were stored together
    };
    std::vector<Write> writes;
    int calls = 0;
    std::string failure;  // when set, every write fails with it and stores nothing

  private:
    static std::string name(const std::string& section, const std::string& key) {
        std::string n = section + '\n' + key;
        std::transform(n.begin(), n.end(), n.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return n;
    }
    std::map<std::string, std::string> values;
};

// The real launcher's writing and bookkeeping of scripts, with the interpreter's start and the
// deletion once read recorded instead.
class FakeLauncher : public ScriptLauncher {
  public:
    std::string failure;  // what the interpreter's start reports; the empty text for success
    std::vector<LaunchScript> started;
    std::vector<std::string> discarded;

  protected:
    Status run(const LaunchScript& script) override {
        started.push_back(script);
        return failure.empty() ? Status() : Failure{failure};
    }
    void discard(const std::string& script) override { discarded.push_back(script); }

  public:
    // What the platform does once a discarded script was read.
    using ScriptLauncher::removeScript;
};

struct ProgramEnded {};

// Ending the program throws, so that nothing after it runs and a test can catch it.
class FakeProgram : public Program {
  public:
    [[noreturn]] void end() override { throw ProgramEnded{}; }
};

class FakeOptionsOpener : public OptionsOpener {
  public:
    void open() override { ++opened; }
    int opened = 0;
};

}  // namespace zerlin::test
