#pragma once

#include "net/FetchResult.h"

namespace pw::test {

// What a fetch reports for an answer with this status.
inline FetchResult Answered(int status) {
    FetchResult result;
    result.kind = status == 200 ? FetchResult::Kind::Ok : FetchResult::Kind::HttpStatus;
    result.status = status;
    return result;
}

}  // namespace pw::test
