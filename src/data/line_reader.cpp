#include "data/line_reader.h"

namespace tressmoor::data {

bool LineReader::next() {
    if (atEnd()) return false;
    current_ = lines_[position_++];
    return true;
}

std::optional<std::string> LineReader::value() {
    if (atEnd()) {
        current_.clear();
        return std::nullopt;
    }
    current_ = lines_[position_++];
    return current_;
}

std::vector<std::string> LineReader::list() {
    std::vector<std::string> items;
    while (!atEnd()) {
        current_ = lines_[position_++];
        if (!current_.empty() && current_.front() == '#') break;
        items.push_back(current_);
    }
    return items;
}

}  // namespace tressmoor::data
