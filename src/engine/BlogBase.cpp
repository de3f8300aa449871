#include "engine/BlogBase.h"

namespace pw {

CBlogBase* ChooseEngine(const std::vector<std::unique_ptr<CBlogBase>>& engines,
                        const std::string& address) {
    for (const auto& engine : engines) {
        if (engine->ParseAddress(address) == 1) return engine.get();
    }
    return nullptr;
}

}  // namespace pw
