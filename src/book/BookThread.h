#pragma once

namespace pw {

class CArticlePage;

// The e-book thread: writes the project files, compiles the book, then hands the
// page WM_BOOK_DONE.
int BuildBookThreadProc(CArticlePage* page);

}  // namespace pw
