#include "job/JobReport.h"

#include "base/DisplayText.h"
#include "base/FileBytes.h"
#include "base/Format.h"
#include "base/Text.h"

namespace pw {

std::string SummaryText(const JobResult& result) {
    const int failed = static_cast<int>(result.missing.size());
    std::string text =
        Format("已下载 %d/%d 篇文章，%d 篇失败", result.saved, result.articles, failed);
    if (result.picturesKeptRemote > 0) {
        text += Format("，%d 张图片保留原地址", result.picturesKeptRemote);
    }
    if (result.listingIncomplete) text += "，文章列表不完整";
    for (const std::string& format : result.booksFailed) {
        text += "，" + format + " 电子书制作失败";
    }
    return text;
}

std::string MissingArticleText(const MissingArticle& missing) {
    return "未下载：" + missing.title + "  " + missing.url + "  " + missing.reason;
}

std::string MissingPictureText(const MissingPicture& missing) {
    return "未下载图片：" + missing.url + "  " + missing.reason;
}

namespace {

// report.txt as it is made: for a listing that never ends it names 100,000
// missing articles, some ten megabytes never held whole.
class ReportOut {
public:
    explicit ReportOut(std::string path) : file_(std::move(path)) {}

    ReportOut& operator+=(std::string_view text) {
        buffer_ += text;
        if (buffer_.size() >= kChunk) Drain();
        return *this;
    }

    bool Finish() {
        Drain();
        return file_.Commit();
    }

private:
    static constexpr size_t kChunk = 64 * 1024;

    void Drain() {
        file_.Append(buffer_);
        buffer_.clear();
    }

    FileReplacement file_;
    std::string buffer_;
};

template <typename Out>
void AppendReport(Out& text, const JobResult& result, const std::string& blogName,
                  const std::string& homeUrl) {
    text += "墨舟博客文章下载器 任务报告\n";
    text += "博客：" + DisplayText(blogName) + "  " + homeUrl + "\n";
    text += "时间：" + NowText() + "\n";
    text += SummaryText(result) + "\n";
    if (result.listingIncomplete) {
        text += "\n文章列表不完整，书中可能缺少文章：\n";
        for (const std::string& message : result.messages) text += DisplayText(message) + "\n";
    }
    if (!result.missing.empty()) {
        text += "\n没有下载的文章（标题、原文地址、原因）：\n";
        for (const MissingArticle& missing : result.missing) {
            text += DisplayText(missing.title) + "\t" + missing.url + "\t" +
                    DisplayText(missing.reason) + "\n";
        }
    }
    if (!result.notes.empty()) {
        text += "\n说明：\n";
        for (const std::string& note : result.notes) text += DisplayText(note) + "\n";
    }
    if (result.picturesKeptRemote > 0) {
        text +=
            "\n" +
            Format("有 %d 张图片没有下载，书中保留了它们的原地址。", result.picturesKeptRemote) +
            "\n";
    }
    if (!result.missingPictures.empty()) {
        text += "\n没有下载的图片（原地址、原因）：\n";
        for (const MissingPicture& missing : result.missingPictures) {
            text += missing.url + "\t" + missing.reason + "\n";
        }
    }
}

}  // namespace

std::string ReportText(const JobResult& result, const std::string& blogName,
                       const std::string& homeUrl) {
    std::string text;
    AppendReport(text, result, blogName, homeUrl);
    return text;
}

std::string WriteReport(const std::string& dir, const JobResult& result,
                        const std::string& blogName, const std::string& homeUrl) {
    const std::string path = dir + "report.txt";
    ReportOut out(path);
    AppendReport(out, result, blogName, homeUrl);
    return out.Finish() ? path : std::string();
}

}  // namespace pw
