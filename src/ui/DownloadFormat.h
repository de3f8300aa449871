#pragma once
// The texts of the file download dialog. The numbers follow fixed
// rules; only the words around them are this program's own.

#include <cstdint>
#include <string>

namespace pw {

enum class DownloadStep;
struct FetchResult;

// rate in bytes per millisecond: below 1 as rate x 1024 "%0.0f" in the small
// unit, below 10 as "%0.2f" in the large unit, else "%0.0f" in the large unit.
std::string FormatDownloadSpeed(double rate);

// Below 1024 as "%d" bytes, above 1048575 as "%0.2f" MB, else "%0.1f" KB.
std::string FormatDownloadAmount(int64_t bytes);

// Below 60 as seconds, else minutes, or minutes and seconds when the rest is not 0.
std::string FormatDownloadDuration(int64_t seconds);

// The time-left line: the duration and "received of total".
std::string FormatTimeLeft(int64_t seconds, int64_t received, int64_t size);

// The window caption while the size is known.
std::string FormatDownloadCaption(int percent, const std::string& displayName);

std::string FormatDownloadFileText(const std::string& displayName, const std::string& server);
std::string FormatDownloadStep(DownloadStep step, const std::string& info);
std::string DownloadResponseText();
std::string DownloadTransferText();
std::string DownloadAbortingText();
std::string FormatOverwriteQuestion(const std::string& path);
std::string FormatFileOpenFailure(int code);
std::string FormatDownloadFailure(const FetchResult& result);

}  // namespace pw
