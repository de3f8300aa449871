#include "engine/FetchFailure.h"

#include "base/Encoding.h"

namespace pw {

std::string FetchFailureText(const FetchResult& result) {
    switch (result.kind) {
        case FetchResult::Kind::Ok:
            return {};
        case FetchResult::Kind::HttpStatus:
            return Gbk("服务器返回 HTTP ") + std::to_string(result.status);
        case FetchResult::Kind::NetworkError:
            return Gbk("网络错误：") + result.error;
        case FetchResult::Kind::TooLarge:
            return Gbk("页面过大");
        case FetchResult::Kind::Refused:
            return Gbk("地址不可下载");
        case FetchResult::Kind::Damaged:
            return Gbk("服务器返回的数据已损坏");
        case FetchResult::Kind::Stopped:
            return Gbk("下载已停止");
    }
    return {};
}

}  // namespace pw
