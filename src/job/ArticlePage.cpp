#include "job/ArticlePage.h"

#include "app/AppSettings.h"
#include "app/Paths.h"
#include "book/BookDelivery.h"
#include "book/BookFileMove.h"
#include "book/BookThread.h"
#include "engine/Encoding.h"
#include "job/DownloadJob.h"

namespace pw {

CArticlePage::CArticlePage() : CArticlePage(CreateEngines()) {}

CArticlePage::CArticlePage(std::vector<std::unique_ptr<CBlogBase>> engines)
    : m_vecEngines(std::move(engines)) {
    m_treeArticles.SetObserver([](const TreeChange& change) {
        if (IHost* host = GetHost()) host->OnTreeChanged(change);
    });
}

CArticlePage::~CArticlePage() {
    JoinThread(m_listThread);
    JoinThread(m_coordinatorThread);
    JoinThread(m_bookThread);
    FreeRecords(m_treeArticles.GetRootItem());
}

void CArticlePage::JoinThread(std::thread& thread) {
    if (thread.joinable()) thread.join();
}

std::string CArticlePage::ExampleAddress() {
    return "http://hi.baidu.com/pagewell";
}

int CArticlePage::WorkerCount() const { return m_nJobWorkers; }

void CArticlePage::SetState(PageState state) {
    m_state = state;
    if (IHost* host = GetHost()) host->OnPageStateChanged(state);
}

void CArticlePage::Finish(const std::string& book) {
    if (IHost* host = GetHost()) host->OnJobFinished(book);
}

void CArticlePage::OnStartButton(const std::string& address) {
    if (m_state != PageState::Idle) return;
    // The previous job's threads have ended their work; collect them.
    JoinThread(m_listThread);
    JoinThread(m_coordinatorThread);
    JoinThread(m_bookThread);
    m_strAddress = address;
    // The settings belong to the UI thread; the job takes its copy now.
    m_formats = ConfiguredBookFormats();
    m_nJobWorkers = m_nWorkerCount >= 0 ? m_nWorkerCount : Settings().m_nThreadCnt;
    m_vecDelivered.clear();
    SetState(PageState::Listing);
    MarkJobStart();
    m_listThread = std::thread(ListThreadProc, this);
}

void CArticlePage::OnItemExpanded(int item, bool expanded) {
    if (!item || m_treeArticles.GetItemData(item)) return;
    m_treeArticles.SetExpandedState(item, expanded);
    if (expanded) {
        m_treeArticles.SetItemImages(item, kImageBookOpen, kImageBookOpenSelected);
    } else {
        m_treeArticles.SetItemImages(item, kImageBookClosed, kImageBookClosedSelected);
    }
}

void CArticlePage::OnClose() {
    FreeRecords(m_treeArticles.GetRootItem());
    m_treeArticles.DeleteAllItems();
    m_mapCategories.clear();
}

void CArticlePage::SendPageMessage(int message) {
    SendToUi([&] { HandleMessage(message); });
}

void CArticlePage::HandleMessage(int message) {
    switch (message) {
        case WM_TREE_RESET:
            OnTreeReset();
            break;
        case WM_LIST_DONE:
            OnListDone();
            break;
        case WM_PREPARE_FOLDERS:
            PrepareJobFolders();
            break;
        case WM_ARTICLES_DONE:
            OnArticlesDone();
            break;
        case WM_BOOK_DONE:
            DeliverBook();
            break;
        default:
            break;
    }
}

void CArticlePage::FreeRecords(int item) {
    for (; item; item = m_treeArticles.GetNextSiblingItem(item)) {
        if (ArticleInfo* record = m_treeArticles.GetItemData(item)) {
            FreeArticleInfo(record);
            delete record;
            m_treeArticles.SetItemData(item, nullptr);
        }
        FreeRecords(m_treeArticles.GetChildItem(item));
    }
}

void CArticlePage::OnTreeReset() {
    m_hRootItem = 0;
    FreeRecords(m_treeArticles.GetRootItem());
    m_treeArticles.DeleteAllItems();
    m_mapCategories.clear();
}

void CArticlePage::OnListDone() {
    if (m_pCurEngine) {
        ShowStatus(1, A("文章列表获取完毕，可以下载备份成书了"));
        SetState(PageState::Downloading);
        JoinThread(m_coordinatorThread);
        m_coordinatorThread = std::thread(DownloadCoordinatorProc, this);
        return;
    }
    SetState(PageState::Idle);
    const std::string text = A("未能识别该博客类型，请联系作者添加!");
    ShowStatus(1, text);
    ShowMessageBox(text);
    Finish({});
}

void CArticlePage::PrepareJobFolders() {
    if (!m_pCurEngine) {
        ShowMessageBox(A("没有找到合适的下载引擎，无法完成下载任务!"));
        SetState(PageState::Idle);
        Finish({});
        return;
    }
    if (m_strJobRoot.empty()) m_strJobRoot = Settings().m_strProgramDir;
    CBlogBase& engine = *m_pCurEngine;
    engine.m_strOutputDir = m_strJobRoot + SafeFolderName(engine.m_strAccount) + "/";
    engine.m_strImageDir = engine.m_strOutputDir + "img/";
    MakeDirs(engine.m_strOutputDir);
    MakeDirs(engine.m_strImageDir);
}

void CArticlePage::OnArticlesDone() {
    ShowStatus(1, A("文章列表下载完毕，开始制作电子书……"));
    SetState(PageState::Building);
    JoinThread(m_bookThread);
    m_bBookCompiled = false;
    m_bEpubWritten = false;
    m_bookThread = std::thread(BuildBookThreadProc, this);
}

void CArticlePage::DeliverBook() {
    CBlogBase* engine = m_pCurEngine;
    bool complete = false;
    if (engine) {
        const std::string name = SafeFolderName(engine->m_strAccount);
        const std::string desktop = m_strDesktopDir.empty() ? GetDesktopDir() : m_strDesktopDir;
        std::vector<std::string> made;
        if (m_formats.bChm && m_bBookCompiled) made.push_back(name + ".chm");
        if (m_formats.bEpub && m_bEpubWritten) made.push_back(name + ".epub");
        const bool allMade = made.size() == size_t(m_formats.bChm) + size_t(m_formats.bEpub);
        if (allMade) {
            const BookDelivery delivery =
                DeliverBooks(engine->m_strOutputDir, made, desktop, m_strJobRoot);
            m_vecDelivered = delivery.delivered;
            complete = delivery.complete;
        } else {
            // What was made still reaches the desktop; the pages stay for another try.
            for (const auto& book : made) {
                const std::string target = MoveBookFile(engine->m_strOutputDir, book, desktop);
                if (!target.empty()) m_vecDelivered.push_back(target);
            }
        }
    }
    SetState(PageState::Idle);
    // A book that was not made is no success; the downloaded pages stay.
    const std::string text = complete
                                 ? BookDeliveredText()
                                 : BookFailedText(engine ? engine->m_strOutputDir : m_strJobRoot);
    ShowStatus(1, text);
    ShowMessageBox(text);
    Finish(complete ? m_vecDelivered.front() : std::string());
}

}  // namespace pw
