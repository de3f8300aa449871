#include "app/UpdateCheck.h"

#include <strings.h>
#include <unistd.h>

#include "app/Paths.h"
#include "base/Identity.h"
#include "base/Text.h"

namespace pw {

namespace {

constexpr size_t kMaxNamePart = 64;

std::string LatestVersionText() {
    return "当前版本是最新版!";
}

bool IsHttps(const std::string& address) {
    return strncasecmp(address.c_str(), "https://", 8) == 0;
}

bool Stopped(const UpdateContext& ctx) {
    return ctx.stop.stop_requested();
}

void SendNotice(const UpdateContext& ctx, int kind) {
    if (ctx.notice && !Stopped(ctx)) ctx.notice(kind);
}

void ShowStatus(const UpdateContext& ctx, const std::string& text) {
    if (ctx.status && !Stopped(ctx)) ctx.status(text);
}

void Browse(const UpdateContext& ctx, const std::string& address) {
    if (ctx.openInBrowser && !Stopped(ctx) && IsWebAddress(address)) ctx.openInBrowser(address);
}

int Fetch(const UpdateContext& ctx) {
    if (!ctx.info) return 0;
    return ReadUpdateInfo(*ctx.info, ctx.fetch ? ctx.fetch : SecureFetch(ctx.stop), ctx.address);
}

// A file that cannot be proven to be the one the update file describes is not
// run; the user gets the address to judge for themselves.
void OfferInBrowser(const UpdateContext& ctx, const std::string& downUrl) {
    ShowStatus(ctx, "无法校验更新文件，请在浏览器中下载");
    Browse(ctx, downUrl);
}

void InstallUpdate(const UpdateContext& ctx, const UpdateValues& values) {
    if (!ctx.download || !IsHttps(values.downUrl) || values.sha256.empty()) {
        OfferInBrowser(ctx, values.downUrl);
        return;
    }
    const std::string dir = ctx.targetDir.empty() ? UpdateTargetDir() : ctx.targetDir;
    if (dir.empty()) {
        OfferInBrowser(ctx, values.downUrl);
        return;
    }
    const std::string target = dir + UpdateFileName(values.name, values.version);
    if (target == SelfExecutablePath()) return;

    const UpdateDownload got = ctx.download(values.downUrl, target);
    if (!got.ok || Stopped(ctx)) return;
    const LaunchOutcome outcome = !got.secure  ? LaunchOutcome::kUnverified
                                  : ctx.launch ? ctx.launch(target, values.sha256)
                                               : LaunchNewVersion(target, values.sha256);
    switch (outcome) {
        case LaunchOutcome::kStarted:
            if (ctx.quit) ctx.quit();
            return;
        case LaunchOutcome::kUnverified:
            ::unlink(target.c_str());
            OfferInBrowser(ctx, values.downUrl);
            return;
        case LaunchOutcome::kFailed:
            if (ctx.message && !Stopped(ctx)) {
                ctx.message("无法启动新版本，请手动运行：" + target);
            }
            return;
    }
}

// One update run at a time among those that share the flag.
class BusyGate {
public:
    explicit BusyGate(std::atomic<bool>* busy)
        : busy_(busy), entered_(!busy || !busy->exchange(true)) {}
    ~BusyGate() {
        if (busy_ && entered_) *busy_ = false;
    }
    BusyGate(const BusyGate&) = delete;
    BusyGate& operator=(const BusyGate&) = delete;

    bool Entered() const { return entered_; }

private:
    std::atomic<bool>* busy_;
    bool entered_;
};

}  // namespace

std::string UpdateNoticeText(int kind) {
    if (kind == 0) return LatestVersionText();
    return "无法获取最新版本信息，可能是以下原因导致：\n1.网络连接断开；\n2."
           "杀软误报，请把本软件添加为信任；\n3.防火墙阻止了本软件，请允许本软件访问网络；\n";
}

std::string UpdateQuestionCaption() {
    return "更新提示";
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
    BusyGate gate(ctx.busy);
    if (!gate.Entered()) return 0;
    if (Fetch(ctx) == 0) {
        SendNotice(ctx, 1);
        return 0;
    }
    const UpdateValues values = ctx.info->Get();
    if (values.version == kVersion) {
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
    const UpdateValues values = ctx.info->Get();
    if (values.version == kVersion) {
        ShowStatus(ctx, LatestVersionText());
        return 0;
    }
    const std::string question =
        std::string(kProgramName) + "发现可用更新(v" + values.version + ")，是否立即更新?";
    const bool yes = ctx.askUpdate && !Stopped(ctx) && ctx.askUpdate(question);
    if (Stopped(ctx)) return 0;
    if (yes) {
        RunUpdate(ctx);
    } else {
        Browse(ctx, DeclinedUpdateAddress(values.downUrl));
    }
    return 0;
}

}  // namespace pw
