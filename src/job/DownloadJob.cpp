#include "job/DownloadJob.h"

#include <cstdio>
#include <thread>

#include "engine/Encoding.h"
#include "engine/Host.h"
#include "engine/PictureStore.h"
#include "job/ArticlePage.h"
#include "sites/SiteHelpers.h"

namespace pw {

std::vector<TreeEntry> g_vecTreeEntries;
std::atomic<int> g_nNextEntry{0};
std::atomic<int> g_nStartedCount{0};
std::atomic<int> g_nDownState{kDownRunning};
CEvent g_evtDownGate(true, true);

namespace {
// Stop commands so far, and their number when the running job began: a stop
// ends the job it was given in, while a stop left over from an earlier job only
// keeps the gate closed until continue opens it.
std::atomic<int> s_nStopCommands{0};
std::atomic<int> s_nStopsAtJobStart{0};
}  // namespace

bool TakeNextEntry(TreeEntry* entry) {
    const int index = g_nNextEntry.fetch_add(1);
    if (index < 0 || index >= static_cast<int>(g_vecTreeEntries.size())) return false;
    *entry = g_vecTreeEntries[static_cast<size_t>(index)];
    return true;
}

namespace {

int Depth(const CArticleTree& tree, int item) {
    int depth = 0;
    for (int p = tree.GetParentItem(item); p; p = tree.GetParentItem(p)) ++depth;
    return depth;
}

// Pre-order successor: first child, else next sibling, else the next sibling of
// the nearest ancestor that has one.
int NextInPreOrder(const CArticleTree& tree, int item) {
    if (const int child = tree.GetChildItem(item)) return child;
    for (int it = item; it; it = tree.GetParentItem(it)) {
        if (const int sibling = tree.GetNextSiblingItem(it)) return sibling;
    }
    return 0;
}

// Paused workers wait here before taking their next entry; a stopped job lets
// each worker finish the article it has and take no other.
bool MayTakeAnother() {
    auto stopped = [] { return s_nStopCommands.load() != s_nStopsAtJobStart.load(); };
    while (!stopped()) {
        // A stop releases the gate only for threads already waiting, so the
        // wait is sliced to notice one that came just before it.
        if (g_evtDownGate.WaitFor(std::chrono::milliseconds(100))) return !stopped();
    }
    return false;
}

}  // namespace

void MarkJobStart() {
    s_nStopsAtJobStart = s_nStopCommands.load();
}

std::vector<TreeEntry> FlattenTree(const CArticleTree& tree) {
    std::vector<TreeEntry> entries;
    for (int item = tree.GetRootItem(); item; item = NextInPreOrder(tree, item)) {
        TreeEntry entry;
        entry.nDepth = Depth(tree, item);
        entry.strText = tree.GetItemText(item);
        entry.pArticle = tree.GetItemData(item);
        entry.bArticle = entry.pArticle != nullptr;
        entries.push_back(std::move(entry));
    }
    return entries;
}

int DownloadWorkerProc(CArticlePage* page) {
    CBlogBase* engine = page ? page->CurrentEngine() : nullptr;
    if (!engine) return 0;
    static const std::string kProgress = A("正在下载[%d/%d]：%s");
    TreeEntry entry;
    while (MayTakeAnother() && TakeNextEntry(&entry)) {
        ArticleInfo* article = entry.pArticle;
        if (!article) continue;
        const int n = g_nStartedCount.fetch_add(1) + 1;
        article->strLocalPath = Format("%s%d.html", engine->m_strOutputDir.c_str(), n);
        article->strFileName = Format("%d.html", n);
        ShowStatus(1, Format(kProgress.c_str(), g_nStartedCount.load(), engine->m_nArticleCount,
                             article->strTitle.c_str()));
        engine->DownloadArticle(article);
        if (IHost* host = GetHost()) {
            const int started = g_nStartedCount.load();
            host->SendToUi([&] { host->OnArticleProgress(started, engine->m_nArticleCount); });
        }
    }
    return 0;
}

int DownloadCoordinatorProc(CArticlePage* page) {
    if (!page || !page->CurrentEngine()) return 0;
    page->SendPageMessage(WM_PREPARE_FOLDERS);
    g_nNextEntry = 0;
    g_nStartedCount = 0;
    SendToUi([&] { g_vecTreeEntries = FlattenTree(page->Tree()); });
    // A pause or stop left from before keeps the gate closed: say why nothing moves.
    if (!g_evtDownGate.IsSet()) ShowStatus(1, A("暂停下载"));
    std::vector<std::thread> workers;
    const int count = page->WorkerCount();
    for (int i = 0; i < count; ++i) {
        try {
            workers.emplace_back(DownloadWorkerProc, page);
        } catch (const std::system_error&) {
            // A worker that cannot start is left out.
        }
    }
    for (auto& worker : workers) worker.join();
    page->SendPageMessage(WM_ARTICLES_DONE);
    return 0;
}

void OnPauseDownload() {
    g_nDownState = kDownPaused;
    g_evtDownGate.Reset();
    ShowStatus(1, A("暂停下载"));
}

void OnContinueDownload() {
    g_nDownState = kDownRunning;
    g_evtDownGate.Set();
    ShowStatus(1, A("继续下载"));
}

void OnStopDownload() {
    g_nDownState = kDownStopped;
    ++s_nStopCommands;
    g_evtDownGate.Set();
    g_evtDownGate.Reset();
    ShowStatus(1, A("停止下载"));
}

}  // namespace pw
