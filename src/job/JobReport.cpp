#include "job/JobReport.h"

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

std::string ReportText(const JobResult& result, const std::string& blogName,
                       const std::string& homeUrl) {
    std::string text = "墨舟博客文章下载器 任务报告\n";
    text += "博客：" + blogName + "  " + homeUrl + "\n";
    text += "时间：" + NowText() + "\n";
    text += SummaryText(result) + "\n";
    if (result.listingIncomplete) {
        text += "\n文章列表不完整，书中可能缺少文章：\n";
        for (const std::string& message : result.messages) text += message + "\n";
    }
    if (!result.missing.empty()) {
        text += "\n没有下载的文章（标题、原文地址、原因）：\n";
        for (const MissingArticle& missing : result.missing) {
            text += missing.title + "\t" + missing.url + "\t" + missing.reason + "\n";
        }
    }
    if (!result.notes.empty()) {
        text += "\n说明：\n";
        for (const std::string& note : result.notes) text += note + "\n";
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
    return text;
}

std::string WriteReport(const std::string& dir, const JobResult& result,
                        const std::string& blogName, const std::string& homeUrl) {
    const std::string path = dir + "report.txt";
    return ReplaceFileBytes(path, ReportText(result, blogName, homeUrl)) ? path : std::string();
}

}  // namespace pw
