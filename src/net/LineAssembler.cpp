#include "net/LineAssembler.h"

namespace pw {

void LineAssembler::Feed(std::string_view data) {
    size_t pos = 0;
    while (pos < data.size()) {
        // Plain bytes are copied a run at a time; pages are mostly plain bytes.
        size_t end = pos;
        while (end < data.size() && !IsSpecial(data[end])) ++end;
        if (end > pos) {
            lineOpen_ = true;
            if (!cutAtZero_) page_.append(data.data() + pos, end - pos);
        }
        if (end == data.size()) break;
        Special(data[end]);
        pos = end + 1;
    }
}

void LineAssembler::Finish() {
    if (lineOpen_) page_ += '\n';
    lineOpen_ = false;
    lineStart_ = page_.size();
}

void LineAssembler::DropOpenLine() {
    page_.resize(lineStart_);
    lineOpen_ = false;
}

void LineAssembler::Special(char c) {
    if (c == '\n') {
        page_ += '\n';
        lineStart_ = page_.size();
        lineOpen_ = false;
        cutAtZero_ = false;
    } else if (c == '\0') {
        lineOpen_ = true;
        cutAtZero_ = true;
    }
}

}  // namespace pw
