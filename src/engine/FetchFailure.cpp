#include "engine/FetchFailure.h"

namespace pw {

std::string FetchFailureText(const FetchResult& result) {
    switch (result.kind) {
        case FetchResult::Kind::Ok:
            return {};
        case FetchResult::Kind::HttpStatus:
            return "服务器返回 HTTP " + std::to_string(result.status);
        case FetchResult::Kind::NetworkError:
            return "网络错误：" + result.error;
        case FetchResult::Kind::TooLarge:
            return "页面过大";
        case FetchResult::Kind::Refused:
            return "地址不可下载";
        case FetchResult::Kind::Damaged:
            return "服务器返回的数据已损坏";
        case FetchResult::Kind::Stopped:
            return "下载已停止";
    }
    return {};
}

}  // namespace pw
