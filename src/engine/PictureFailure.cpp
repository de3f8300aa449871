#include "engine/PictureFailure.h"

#include "engine/FetchFailure.h"

namespace pw {

std::string PictureProblemText(PictureProblem problem, const FetchResult& fetch) {
    switch (problem) {
        case PictureProblem::None:
            return {};
        case PictureProblem::Fetch:
            if (fetch.kind == FetchResult::Kind::TooLarge) return "图片过大";
            return FetchFailureText(fetch);
        case PictureProblem::NotAPicture:
            return "不是图片";
        case PictureProblem::OverBudget:
            return "超出本任务的图片总量";
        case PictureProblem::Unsaved:
            return "无法保存图片";
        case PictureProblem::Stopped:
            return "下载已停止";
    }
    return {};
}

}  // namespace pw
