#pragma once
// Why a request of a job got nothing usable, in words for the user's report.

#include <string>

#include "net/FetchResult.h"

namespace pw {

// E.g. "服务器返回 HTTP 404" or "网络错误：Timeout was reached".
std::string FetchFailureText(const FetchResult& result);

}  // namespace pw
