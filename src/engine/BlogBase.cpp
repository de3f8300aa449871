#include "engine/BlogBase.h"

namespace pw {

BlogBase* ChooseEngine(const EngineList& engines, const std::string& address) {
    for (const auto& engine : engines) {
        if (engine->ParseAddress(address)) return engine.get();
    }
    return nullptr;
}

}  // namespace pw
