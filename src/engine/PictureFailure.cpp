#include "engine/PictureFailure.h"

#include "base/Encoding.h"
#include "engine/FetchFailure.h"

namespace pw {

std::string PictureProblemText(PictureProblem problem, const FetchResult& fetch) {
    switch (problem) {
        case PictureProblem::None:
            return {};
        case PictureProblem::Fetch:
            if (fetch.kind == FetchResult::Kind::TooLarge) return Gbk("图片过大");
            return FetchFailureText(fetch);
        case PictureProblem::NotAPicture:
            return Gbk("不是图片");
        case PictureProblem::OverBudget:
            return Gbk("超出本任务的图片总量");
        case PictureProblem::Unsaved:
            return Gbk("无法保存图片");
        case PictureProblem::Stopped:
            return Gbk("下载已停止");
    }
    return {};
}

}  // namespace pw
