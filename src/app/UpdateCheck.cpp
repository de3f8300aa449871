#include "app/UpdateCheck.h"

#include <strings.h>
#include <unistd.h>

#include <chrono>

#include "app/Event.h"
#include "app/FileDigest.h"
#include "app/Identity.h"
#include "app/LaunchNewVersion.h"
#include "app/Paths.h"
#include "engine/Encoding.h"
#include "engine/Host.h"
#include "engine/TextOps.h"
#include "net/PageFetcher.h"

namespace pw {

namespace {

constexpr size_t kMaxNamePart = 64;

std::string LatestVersionText() {
    return A("当前版本是最新版!");
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

void SendNotice(int kind) {
    IHost* host = GetHost();
    if (!host) return;
    host->SendToUi([&] { host->ShowNotice(kind); });
}

void Browse(const CUpdateContext& ctx, const std::string& address) {
    if (ctx.openInBrowser && IsWebAddress(address)) ctx.openInBrowser(address);
}

int Fetch(const CUpdateContext& ctx) {
    return ctx.fetch ? ReadUpdateInfo(*ctx.pInfo, ctx.fetch) : ReadUpdateInfo(*ctx.pInfo);
}

// A file that cannot be proven to be the one the update file describes is not
// run; the user gets the address to judge for themselves.
void OfferInBrowser(const CUpdateContext& ctx, const std::string& downUrl) {
    ShowStatus(0, A("无法校验更新文件，请在浏览器中下载"));
    Browse(ctx, downUrl);
}

bool IsVerified(const UpdateDownload& got, const std::string& file, const std::string& sha256) {
    return got.bSecure && !sha256.empty() && Sha256OfFile(file) == sha256;
}

void InstallUpdate(const CUpdateContext& ctx, const UpdateValues& values) {
    if (!ctx.download || !IsHttps(values.strDownUrl) || values.strSha256.empty()) {
        OfferInBrowser(ctx, values.strDownUrl);
        return;
    }
    const std::string dir = ctx.strTargetDir.empty() ? UpdateTargetDir() : ctx.strTargetDir;
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
    ShowMessageBox(A("无法启动新版本，请手动运行：") + target);
}

// Auto-reset: set again when a run ends, so the next one may start.
class CBusyGate {
public:
    CBusyGate() : m_bEntered(Gate().WaitFor(std::chrono::milliseconds(0))) {}
    ~CBusyGate() {
        if (m_bEntered) Gate().Set();
    }
    CBusyGate(const CBusyGate&) = delete;
    CBusyGate& operator=(const CBusyGate&) = delete;

    bool Entered() const { return m_bEntered; }

private:
    static CEvent& Gate() {
        static CEvent gate(false, true);
        return gate;
    }
    bool m_bEntered;
};

}  // namespace

std::string UpdateNoticeText(int kind) {
    if (kind == 0) return LatestVersionText();
    return A(
        "无法获取最新版本信息，可能是以下原因导致：\n1.网络连接断开；\n2."
        "杀软误报，请把本软件添加为信任；\n3.防火墙阻止了本软件，请允许本软件访问网络；\n");
}

std::string UpdateQuestionCaption() {
    return A("更新提示");
}

std::string UpdateTargetDir() {
    const std::string programDir = GetModuleDir();
    if (::access(programDir.c_str(), W_OK) == 0) return programDir;
    const std::string workDir = GetWorkDir();
    MakeDirs(workDir, 0700);
    return workDir;
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

int RunUpdate(const CUpdateContext& ctx) {
    CBusyGate gate;
    if (!gate.Entered()) return 0;
    if (Fetch(ctx) == 0) {
        SendNotice(1);
        return 0;
    }
    const UpdateValues values = ctx.pInfo->Get();
    if (values.strVersion == kVersion) {
        ShowStatus(0, LatestVersionText());
        SendNotice(0);
        return 0;
    }
    InstallUpdate(ctx, values);
    return 0;
}

int CheckForUpdate(const CUpdateContext& ctx) {
    if (Fetch(ctx) == 0) {
        SendNotice(1);
        return 0;
    }
    const UpdateValues values = ctx.pInfo->Get();
    if (values.strVersion == kVersion) {
        ShowStatus(0, LatestVersionText());
        return 0;
    }
    const std::string question =
        kProgramName + A("发现可用更新(v") + values.strVersion + A(")，是否立即更新?");
    const bool yes = ctx.askUpdate ? ctx.askUpdate(question) : AskYesNo(question);
    if (yes) {
        RunUpdate(ctx);
    } else {
        Browse(ctx, DeclinedUpdateAddress(values.strDownUrl));
    }
    return 0;
}

}  // namespace pw
