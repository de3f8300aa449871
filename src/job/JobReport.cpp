#include "job/JobReport.h"

#include "base/DisplayText.h"
#include "base/Encoding.h"
#include "base/FileBytes.h"
#include "base/Format.h"
#include "base/TextRoutines.h"

namespace pw {

std::string SummaryText(const JobResult& result) {
    const int failed = static_cast<int>(result.missing.size());
    std::string text = Format(Gbk("已下载 %d/%d 篇文章，%d 篇失败").c_str(), result.saved,
                              result.articles, failed);
    if (result.picturesKeptRemote > 0) {
        text += Format(Gbk("，%d 张图片保留原地址").c_str(), result.picturesKeptRemote);
    }
    if (result.listingIncomplete) text += Gbk("，文章列表不完整");
    for (const std::string& format : result.booksFailed) {
        text += Gbk("，") + format + Gbk(" 电子书制作失败");
    }
    return text;
}

std::string MissingArticleText(const MissingArticle& missing) {
    return Gbk("未下载：") + missing.title + "  " + missing.url + "  " + missing.reason;
}

std::string ReportText(const JobResult& result, const std::string& blogName,
                       const std::string& homeUrl) {
    std::string text = ToUtf8(Gbk("墨舟博客文章下载器 任务报告")) + "\n";
    text += ToUtf8(Gbk("博客：")) + DisplayText(ToUtf8(blogName)) + "  " + homeUrl + "\n";
    text += ToUtf8(Gbk("时间：") + NowText()) + "\n";
    text += ToUtf8(SummaryText(result)) + "\n";
    if (result.listingIncomplete) {
        text += "\n" + ToUtf8(Gbk("文章列表不完整，书中可能缺少文章：")) + "\n";
        for (const std::string& message : result.messages)
            text += DisplayText(ToUtf8(message)) + "\n";
    }
    if (!result.missing.empty()) {
        text += "\n" + ToUtf8(Gbk("没有下载的文章（标题、原文地址、原因）：")) + "\n";
        for (const MissingArticle& missing : result.missing) {
            text += DisplayText(ToUtf8(missing.title)) + "\t" + missing.url + "\t" +
                    DisplayText(ToUtf8(missing.reason)) + "\n";
        }
    }
    if (result.picturesKeptRemote > 0) {
        text += "\n" +
                ToUtf8(Format(Gbk("有 %d 张图片没有下载，书中保留了它们的原地址。").c_str(),
                              result.picturesKeptRemote)) +
                "\n";
    }
    return text;
}

std::string WriteReport(const std::string& dir, const JobResult& result,
                        const std::string& blogName, const std::string& homeUrl) {
    const std::string path = dir + "report.txt";
    return ReplaceFileBytes(path, ReportText(result, blogName, homeUrl)) ? path : std::string();
}

}  // namespace pw
