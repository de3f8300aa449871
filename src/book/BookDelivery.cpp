#include "book/BookDelivery.h"

#include "book/BookFileMove.h"
#include "base/Encoding.h"

namespace pw {

BookDelivery DeliverBooks(const std::string& dir, const std::vector<std::string>& fileNames,
                          const std::string& desktop, const std::string& jobRoot) {
    BookDelivery delivery;
    bool all = !fileNames.empty();
    for (const auto& fileName : fileNames) {
        const std::string target = MoveBookFile(dir, fileName, desktop);
        if (target.empty()) {
            all = false;
        } else {
            delivery.delivered.push_back(target);
        }
    }
    // The downloaded pages go only when every book has arrived.
    if (all) DeleteFolderTree(dir, jobRoot);
    delivery.complete = all;
    return delivery;
}

std::string DeliverBook(const std::string& dir, const std::string& name, const std::string& desktop,
                        const std::string& jobRoot) {
    const BookDelivery delivery = DeliverBooks(dir, {name + ".chm"}, desktop, jobRoot);
    return delivery.complete ? delivery.delivered.front() : std::string();
}

std::string BookDeliveredText() {
    return Gbk("电子书编译完毕(在桌面上)，请您欣赏");
}

std::string BookFailedText(const std::string& folder) {
    return Gbk("电子书编译失败，已下载的文章保存在：") + ToAnsi(folder);
}

}  // namespace pw
