#include "ui/DownloadFormat.h"

#include <curl/curl.h>

#include <cstdarg>
#include <cstdio>

#include "net/DownloadListener.h"
#include "net/FetchResult.h"
#include "net/FileDownload.h"

namespace pw {

namespace {

// printf for the numbers only: texts are joined around the result, never passed
// through a format.
std::string Number(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Number(const char* format, ...) {
    char buffer[64];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return n < 0 ? std::string() : std::string(buffer);
}

std::string Dec(int64_t value) {
    return Number("%lld", static_cast<long long>(value));
}

}  // namespace

std::string FormatDownloadSpeed(double rate) {
    if (rate < 1) return Number("%0.0f", rate * 1024) + " 字节/秒";
    if (rate < 10) return Number("%0.2f", rate) + " KB/秒";
    return Number("%0.0f", rate) + " KB/秒";
}

std::string FormatDownloadAmount(int64_t bytes) {
    if (bytes < 1024) return Dec(bytes) + " 字节";
    if (bytes > 1048575) return Number("%0.2f", static_cast<double>(bytes) / 1048576) + " MB";
    return Number("%0.1f", static_cast<double>(bytes) / 1024) + " KB";
}

std::string FormatDownloadDuration(int64_t seconds) {
    if (seconds < 60) return Dec(seconds) + " 秒";
    const int64_t minutes = seconds / 60;
    const int64_t rest = seconds % 60;
    if (rest == 0) return Dec(minutes) + " 分钟";
    return Dec(minutes) + " 分 " + Dec(rest) + " 秒";
}

std::string FormatTimeLeft(int64_t seconds, int64_t received, int64_t size) {
    return "剩余时间：" + FormatDownloadDuration(seconds) + "（已下载 " +
           FormatDownloadAmount(received) + " / " + FormatDownloadAmount(size) + "）";
}

std::string FormatDownloadCaption(int percent, const std::string& displayName) {
    return Number("%d%% ", percent) + "正在下载 " + displayName;
}

std::string FormatDownloadFileText(const std::string& displayName, const std::string& server) {
    return "文件：" + displayName + "，来自 " + server;
}

std::string FormatDownloadStep(DownloadStep step, const std::string& info) {
    switch (step) {
        case DownloadStep::Resolving:
            return "正在解析 " + info + " ……";
        case DownloadStep::Resolved:
            return "已解析 " + info;
        case DownloadStep::Connecting:
            return "正在连接 " + info + " ……";
        case DownloadStep::Connected:
            return "已连接到 " + info;
        case DownloadStep::Redirect:
            return "转向 " + info;
    }
    return {};
}

std::string DownloadResponseText() {
    return "已收到服务器响应";
}
std::string DownloadTransferText() {
    return "正在下载文件……";
}
std::string DownloadAbortingText() {
    return "正在取消下载……";
}

std::string FormatOverwriteQuestion(const std::string& path) {
    return "文件 " + path + " 已存在，是否覆盖？";
}

std::string FormatFileOpenFailure(int code) {
    return "无法创建目标文件，错误代码：" + Dec(code);
}

std::string FormatDownloadFailure(const FetchResult& result) {
    switch (result.kind) {
        case FetchResult::Kind::Ok:
        case FetchResult::Kind::Stopped:
            return {};
        case FetchResult::Kind::HttpStatus:
            return "服务器返回了错误状态：" + Dec(result.status);
        case FetchResult::Kind::Refused:
            return "无法连接到服务器，地址不可下载";
        case FetchResult::Kind::TooLarge:
        case FetchResult::Kind::Damaged:
            return "下载过程中出错，错误代码：" + Dec(result.curlCode);
        case FetchResult::Kind::NetworkError:
            break;
    }
    if (result.curlCode == CURLE_FAILED_INIT)
        return "无法初始化网络连接，错误代码：" + Dec(result.curlCode);
    if (AnswerWithoutStatus(result)) return "无法读取服务器的响应状态";
    // An answer had begun: the body broke off or could not be written.
    if (result.status != 0) return "下载过程中出错，错误代码：" + Dec(result.curlCode);
    return "无法连接到服务器，错误代码：" + Dec(result.curlCode);
}

}  // namespace pw
