#include "book/BookThread.h"

#include "book/BookCompiler.h"
#include "book/BookDelivery.h"
#include "book/BookProject.h"
#include "book/EpubWriter.h"
#include "book/ProjectWriter.h"
#include "job/ArticlePage.h"
#include "job/DownloadJob.h"

namespace pw {

int BuildBookThreadProc(CArticlePage* page) {
    CBlogBase* engine = page ? page->CurrentEngine() : nullptr;
    if (!engine) return 0;
    CBookProject project;
    project.m_strDir = engine->m_strOutputDir;
    project.m_strName = SafeFolderName(engine->m_strAccount);
    project.m_strTitle = engine->m_strBlogName;
    const BookFormats formats = page->m_formats;
    // The EPUB's title page is made from index.html, so it is written for both.
    WriteIndexPage(project, engine->m_strHomeUrl, engine->m_strBlogName);
    if (formats.bChm) {
        WriteProjectFile(project);
        WriteContentsFile(project, g_vecTreeEntries);
        WriteIndexFile(project, g_vecTreeEntries);
        page->m_bBookCompiled = CompileBook(project, g_vecTreeEntries) == 1;
    }
    if (formats.bEpub) {
        page->m_bEpubWritten = WriteEpubBook(project, g_vecTreeEntries, engine->m_strHomeUrl) == 1;
    }
    page->SendPageMessage(WM_BOOK_DONE);
    return 0;
}

}  // namespace pw
