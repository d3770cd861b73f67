#include "status/list_status.h"

#include <algorithm>

namespace zerlin::status {

namespace {

const ServerKey kNoServer{};

}  // namespace

ListStatus::ListStatus(const ListBox& list, StatusService& service)
    : list_(list), client_(service) {}

void ListStatus::readRows() {
    rows_.clear();
    const int count = list_.count();
    rows_.reserve(static_cast<std::size_t>(std::max(count, 0)));
    for (int index = 0; index < count; ++index) {
        rows_.push_back(serverOfRow(list_.row(index)));
    }
}

bool ListStatus::isBookmark(const ServerKey& server) const {
    return std::find(rows_.begin(), rows_.end(), server) != rows_.end();
}

std::vector<ServerKey> ListStatus::wanted() const {
    std::vector<ServerKey> servers = rows_;
    if (!boxes_.host.empty() && !isBookmark(boxes_)) {
        servers.push_back(boxes_);
    }
    return servers;
}

void ListStatus::refresh() {
    readRows();
    const std::vector<ServerKey> servers = wanted();
    client_.refresh(std::vector<Request>(servers.begin(), servers.end()));
}

void ListStatus::rowsRemoved() {
    readRows();
    client_.keepOnly(wanted());
}

void ListStatus::setBoxes(const ServerKey& boxes) {
    if (boxes == boxes_) {
        return;
    }
    const bool wasExtra = !boxes_.host.empty() && !isBookmark(boxes_);
    boxes_ = boxes;
    if (wasExtra) {
        client_.keepOnly(wanted());
    }
    if (!boxes_.host.empty() && !isBookmark(boxes_)) {
        client_.ask(boxes_);
    }
}

std::vector<int> ListStatus::rowsOf(const ServerKey& server) const {
    std::vector<int> found;
    for (std::size_t index = 0; index < rows_.size(); ++index) {
        if (rows_[index] == server) {
            found.push_back(static_cast<int>(index));
        }
    }
    return found;
}

const ServerKey& ListStatus::rowServer(int index) const {
    return index >= 0 && static_cast<std::size_t>(index) < rows_.size()
               ? rows_[static_cast<std::size_t>(index)]
               : kNoServer;
}

}  // namespace zerlin::status
