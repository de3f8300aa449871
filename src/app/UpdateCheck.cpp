#include "app/UpdateCheck.h"

#include <strings.h>
#include <unistd.h>

#include <atomic>
#include <chrono>

#include "app/FileDigest.h"
#include "base/Identity.h"
#include "app/LaunchNewVersion.h"
#include "app/Paths.h"
#include "base/Encoding.h"
#include "base/TextOps.h"
#include "net/PageFetcher.h"

namespace pw {

namespace {

constexpr size_t kMaxNamePart = 64;

std::string LatestVersionText() {
    return Gbk("当前版本是最新版!");
}

bool HasPrefix(const std::string& text, const char* prefix) {
    return strncasecmp(text.c_str(), prefix, std::char_traits<char>::length(prefix)) == 0;
}

bool IsHttps(const std::string& address) {
    return HasPrefix(address, "https://");
}

// Addresses from the update file reach the browser only when they are web pages.
bool IsWebAddress(const std::string& address) {
    return HasPrefix(address, "http://") || IsHttps(address);
}

void SendNotice(const UpdateContext& ctx, int kind) {
    if (ctx.notice) ctx.notice(kind);
}

void ShowStatus(const UpdateContext& ctx, const std::string& text) {
    if (ctx.status) ctx.status(text);
}

void Browse(const UpdateContext& ctx, const std::string& address) {
    if (ctx.openInBrowser && IsWebAddress(address)) ctx.openInBrowser(address);
}

int Fetch(const UpdateContext& ctx) {
    return ctx.fetch ? ReadUpdateInfo(*ctx.pInfo, ctx.fetch) : ReadUpdateInfo(*ctx.pInfo);
}

// A file that cannot be proven to be the one the update file describes is not
// run; the user gets the address to judge for themselves.
void OfferInBrowser(const UpdateContext& ctx, const std::string& downUrl) {
    ShowStatus(ctx, Gbk("无法校验更新文件，请在浏览器中下载"));
    Browse(ctx, downUrl);
}

bool IsVerified(const UpdateDownload& got, const std::string& file, const std::string& sha256) {
    return got.bSecure && !sha256.empty() && Sha256OfFile(file) == sha256;
}

void InstallUpdate(const UpdateContext& ctx, const UpdateValues& values) {
    if (!ctx.download || !IsHttps(values.strDownUrl) || values.strSha256.empty()) {
        OfferInBrowser(ctx, values.strDownUrl);
        return;
    }
    const std::string dir = ctx.strTargetDir.empty() ? UpdateTargetDir() : ctx.strTargetDir;
    if (dir.empty()) {
        OfferInBrowser(ctx, values.strDownUrl);
        return;
    }
    const std::string target = dir + UpdateFileName(values.strName, values.strVersion);
    if (target == SelfExecutablePath()) return;

    const UpdateDownload got = ctx.download(values.strDownUrl, target);
    if (!got.bOk) return;
    if (!IsVerified(got, target, values.strSha256)) {
        ::unlink(target.c_str());
        OfferInBrowser(ctx, values.strDownUrl);
        return;
    }
    if (ctx.launch) {
        ctx.launch(target);
    } else {
        LaunchNewVersion(target);
    }
    // Still here: the new version could not be started.
    if (ctx.message) ctx.message(Gbk("无法启动新版本，请手动运行：") + target);
}

// One update run at a time: a second one while the first still runs does nothing.
class BusyGate {
public:
    BusyGate() : entered_(!Busy().exchange(true)) {}
    ~BusyGate() {
        if (entered_) Busy() = false;
    }
    BusyGate(const BusyGate&) = delete;
    BusyGate& operator=(const BusyGate&) = delete;

    bool Entered() const { return entered_; }

private:
    static std::atomic<bool>& Busy() {
        static std::atomic<bool> busy{false};
        return busy;
    }
    bool entered_;
};

}  // namespace

std::string UpdateNoticeText(int kind) {
    if (kind == 0) return LatestVersionText();
    return Gbk(
        "无法获取最新版本信息，可能是以下原因导致：\n1.网络连接断开；\n2."
        "杀软误报，请把本软件添加为信任；\n3.防火墙阻止了本软件，请允许本软件访问网络；\n");
}

std::string UpdateQuestionCaption() {
    return Gbk("更新提示");
}

std::string UpdateTargetDir() {
    // Never a shared place another user could prepare: the user's own cache
    // folder, and only while it is private.
    const std::string dir = GetWorkDir();
    MakeDirs(dir, 0700);
    return IsPrivateDir(dir) ? dir : std::string();
}

std::string UpdateFileName(const std::string& name, const std::string& version) {
    auto plain = [](const std::string& part) {
        std::string out = part.substr(0, kMaxNamePart);
        for (char& c : out) {
            const unsigned char b = static_cast<unsigned char>(c);
            const bool keep = (b >= '0' && b <= '9') || (b >= 'a' && b <= 'z') ||
                              (b >= 'A' && b <= 'Z') || b == '.' || b == '-' || b == '_';
            if (!keep) c = '_';
        }
        return out;
    };
    return plain(name) + plain(version) + ".exe";
}

std::string DeclinedUpdateAddress(std::string downUrl) {
    Replace(downUrl, ".exe", ".rar");
    return downUrl;
}

int RunUpdate(const UpdateContext& ctx) {
    BusyGate gate;
    if (!gate.Entered()) return 0;
    if (Fetch(ctx) == 0) {
        SendNotice(ctx, 1);
        return 0;
    }
    const UpdateValues values = ctx.pInfo->Get();
    if (values.strVersion == kVersion) {
        ShowStatus(ctx, LatestVersionText());
        SendNotice(ctx, 0);
        return 0;
    }
    InstallUpdate(ctx, values);
    return 0;
}

int CheckForUpdate(const UpdateContext& ctx) {
    if (Fetch(ctx) == 0) {
        SendNotice(ctx, 1);
        return 0;
    }
    const UpdateValues values = ctx.pInfo->Get();
    if (values.strVersion == kVersion) {
        ShowStatus(ctx, LatestVersionText());
        return 0;
    }
    const std::string question =
        kProgramName + Gbk("发现可用更新(v") + values.strVersion + Gbk(")，是否立即更新?");
    const bool yes = ctx.askUpdate && ctx.askUpdate(question);
    if (yes) {
        RunUpdate(ctx);
    } else {
        Browse(ctx, DeclinedUpdateAddress(values.strDownUrl));
    }
    return 0;
}

}  // namespace pw
