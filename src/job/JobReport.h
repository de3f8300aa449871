#pragma once
// The account of what a job did not get: the summary line, and report.txt in
// the job folder (UTF-8) with every missing article's title, address and
// reason, and every picture that stayed remote with its address and reason.

#include <string>

#include "job/JobResult.h"

namespace pw {

// "已下载 18/20 篇文章，2 篇失败".
std::string SummaryText(const JobResult& result);

// One line for a missing article: title, address and reason.
std::string MissingArticleText(const MissingArticle& missing);

// One line for a picture that stayed remote: address and reason.
std::string MissingPictureText(const MissingPicture& missing);

// The report as UTF-8 text.
std::string ReportText(const JobResult& result, const std::string& blogName,
                       const std::string& homeUrl);

// Writes dir + "report.txt"; its path, or empty when it could not be written.
std::string WriteReport(const std::string& dir, const JobResult& result,
                        const std::string& blogName, const std::string& homeUrl);

}  // namespace pw
