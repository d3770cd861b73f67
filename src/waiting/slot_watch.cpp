#include "waiting/slot_watch.h"

#include <utility>

#include "bookmarks/bookmark_entry.h"
#include "status/status_text.h"
#include "text/ascii.h"

namespace zerlin::waiting {

SlotWatch::SlotWatch(const ListBox& list, Timer& timer, Notifier& notifier, const ModalState& modal,
                     Hooks hooks)
    : list_(list), timer_(timer), notifier_(notifier), modal_(modal), hooks_(std::move(hooks)) {
    timer_.setHandler([this] { tick(); });
}

void SlotWatch::waitForSlot(int row) {
    start(row, Wait::ForSlot);
}

void SlotWatch::tellWhenUp(int row) {
    start(row, Wait::ForUp);
}

void SlotWatch::waitForServer(const std::string& entry) {
    begin(-1, entry, Wait::ForSlot);
}

void SlotWatch::start(int row, Wait wait) {
    if (row < 0 || row >= list_.count()) {
        return;
    }
    begin(row, list_.row(row), wait);
}

void SlotWatch::begin(int row, const std::string& entry, Wait wait) {
    wait_ = wait;
    row_ = row;
    rowText_ = entry;
    server_ = status::serverOfRow(rowText_);
    free_ = false;
    notified_ = false;
    timer_.start(kAskInterval);
    if (hooks_.changed) {
        hooks_.changed();
    }
    // The answer, even one that comes at once, finds the wait set up.
    hooks_.ask(server_);
}

void SlotWatch::stop() {
    if (wait_ != Wait::None) {
        end();
    }
}

void SlotWatch::end() {
    wait_ = Wait::None;
    row_ = -1;
    rowText_.clear();
    free_ = false;
    timer_.stop();
    if (hooks_.changed) {
        hooks_.changed();
    }
}

std::optional<int> SlotWatch::row() const {
    if (wait_ == Wait::None || row_ < 0) {
        return std::nullopt;
    }
    return row_;
}

std::string SlotWatch::describeRow(int row) const {
    if (wait_ == Wait::None || row != row_) {
        return {};
    }
    return wait_ == Wait::ForSlot ? "waiting for a slot" : "waiting for it to come up";
}

void SlotWatch::rowsInserted(int first, int count) {
    if (wait_ != Wait::None && first <= row_) {
        row_ += count;
    }
}

void SlotWatch::rowsRemoved(int first, int count) {
    if (wait_ == Wait::None || first > row_) {
        return;
    }
    if (row_ < first + count) {
        end();
    } else {
        row_ -= count;
    }
}

void SlotWatch::listReplaced() {
    if (row_ >= 0) {
        stop();
    }
}

void SlotWatch::serverChanged(const status::ServerKey& server, const status::ServerState& state) {
    if (wait_ == Wait::None || free_ || server != server_ || state.asking || !state.ended) {
        return;
    }
    const status::Indicator indicator = status::indicatorOf(state);
    const bool due =
        wait_ == Wait::ForSlot ? indicator == status::Indicator::Up : state.answer.has_value();
    if (due) {
        // Acted on from the event loop, never from inside the status service's handler: the
        // join may show a message and wait for it.
        free_ = true;
        timer_.start(std::chrono::microseconds(0));
    }
}

void SlotWatch::tick() {
    if (wait_ == Wait::None) {
        return;
    }
    if (row_ >= 0 && (row_ >= list_.count() || list_.row(row_) != rowText_)) {
        end();
        return;
    }
    if (!free_) {
        timer_.start(kAskInterval);
        hooks_.ask(server_);
        return;
    }
    std::string name = bookmarkName(rowText_);
    if (name.empty()) {
        name = "the bookmarked server";
    }
    if (wait_ == Wait::ForUp) {
        end();
        notifier_.notify("Zerlin", name + " is up.");
        return;
    }
    // The notification goes before the join: a join may end the program.
    if (!notified_) {
        notified_ = true;
        notifier_.notify("Zerlin", "A slot is free on " + name + ": joining.");
    }
    if (modal_.modalDialogOpen()) {
        timer_.start(kModalRecheck);
        return;
    }
    const std::string row = rowText_;
    end();
    hooks_.join(row);
}

}  // namespace zerlin::waiting
